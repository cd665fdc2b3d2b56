#include "platform/machinememory.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <algorithm>
#include <limits>
#if defined(Q_OS_UNIX)
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace pix {

namespace {

// cgroup v1 writes "no limit" as the largest page-aligned number; anything this large is none.
constexpr qint64 kNoLimit = qint64(1) << 60;

// The files read here are small; a larger one is not what it claims to be.
QByteArray readSmall(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return {};
    return file.read(256 * 1024);
}

std::optional<qint64> number(const QByteArray& text) {
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    return ok && value >= 0 ? std::optional<qint64>(value) : std::nullopt;
}

// The value of "Key: 123 kB" or "key 123" lines, times unit; none when missing.
std::optional<qint64> field(const QByteArray& text, const QByteArray& key, qint64 unit) {
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> parts = line.simplified().split(' ');
        if (parts.size() >= 2 && (parts[0] == key || parts[0] == key + ':')) {
            const std::optional<qint64> value = number(parts[1]);
            if (value && *value < std::numeric_limits<qint64>::max() / unit)
                return *value * unit;
            return std::nullopt;
        }
    }
    return std::nullopt;
}

struct Cgroup {
    QString folder; // the group's folder below the mount point, as the file system sees it
    QString mountPoint;
};

// The folder of this process's group in the hierarchy that /proc/self/cgroup lists for
// `controller` (empty: the v2 hierarchy), through the mount that holds it.
std::optional<Cgroup> findCgroup(const QString& root, bool v2) {
    QByteArray path;
    for (const QByteArray& line :
         readSmall(root + QStringLiteral("/proc/self/cgroup")).split('\n')) {
        const QList<QByteArray> parts = line.split(':');
        if (parts.size() < 3)
            continue;
        const bool match =
            v2 ? parts[0] == "0" && parts[1].isEmpty() : parts[1].split(',').contains("memory");
        if (match) {
            path = line.mid(parts[0].size() + parts[1].size() + 2);
            break;
        }
    }
    if (!path.startsWith('/'))
        return std::nullopt;
    // mountinfo: id parent major:minor root mount-point options [optional...] - type source
    // super-options.
    for (const QByteArray& line :
         readSmall(root + QStringLiteral("/proc/self/mountinfo")).split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        const qsizetype dash = parts.indexOf("-");
        if (dash < 6 || dash + 3 > parts.size())
            continue;
        const QByteArray& type = parts[dash + 1];
        if (v2 ? type != "cgroup2"
               : type != "cgroup" || !parts[dash + 3].split(',').contains("memory"))
            continue;
        // The mount shows the hierarchy from its root on; a group outside it is not visible.
        QByteArray mountRoot = parts[3];
        if (mountRoot == "/")
            mountRoot.clear();
        if (!(path == mountRoot || path.startsWith(mountRoot + '/') || mountRoot.isEmpty()))
            continue;
        const QString mountPoint = root + QString::fromUtf8(parts[4]);
        return Cgroup{mountPoint + QString::fromUtf8(path.mid(mountRoot.size())), mountPoint};
    }
    return std::nullopt;
}

// What the groups from this one up to the mount point leave free, the smallest of them; none
// when no group there has a limit.
std::optional<qint64> cgroupHeadroom(const Cgroup& group, bool v2) {
    const QString limitFile =
        v2 ? QStringLiteral("/memory.max") : QStringLiteral("/memory.limit_in_bytes");
    const QString usageFile =
        v2 ? QStringLiteral("/memory.current") : QStringLiteral("/memory.usage_in_bytes");
    const QByteArray cacheKey = v2 ? "inactive_file" : "total_inactive_file";
    std::optional<qint64> smallest;
    QString folder = group.folder;
    while (folder.startsWith(group.mountPoint)) {
        const std::optional<qint64> limit = number(readSmall(folder + limitFile)); // "max": none
        if (limit && *limit < kNoLimit) {
            const qint64 usage = number(readSmall(folder + usageFile)).value_or(*limit);
            const qint64 cache =
                field(readSmall(folder + QStringLiteral("/memory.stat")), cacheKey, 1).value_or(0);
            const qint64 free = *limit - std::clamp<qint64>(usage - cache, 0, *limit);
            smallest = std::min(smallest.value_or(free), free);
        }
        if (folder == group.mountPoint)
            break;
        folder = folder.left(folder.lastIndexOf(u'/'));
    }
    return smallest;
}

std::optional<qint64> ownLimit(int resource) {
#if defined(Q_OS_UNIX)
    rlimit limit{};
    if (getrlimit(resource, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        limit.rlim_cur < rlim_t(kNoLimit))
        return qint64(limit.rlim_cur);
#else
    Q_UNUSED(resource);
#endif
    return std::nullopt;
}

// A limit less what the process holds of it ("VmSize" or "VmData" of /proc/self/status).
std::optional<qint64> processHeadroom(const std::optional<qint64>& limit, const QByteArray& status,
                                      const QByteArray& key) {
    if (!limit)
        return std::nullopt;
    return std::max<qint64>(*limit - field(status, key, 1024).value_or(0), 0);
}

} // namespace

std::optional<MemoryCgroup> ownMemoryCgroup(const MemorySources& sources) {
    for (const bool v2 : {true, false}) {
        const std::optional<Cgroup> group = findCgroup(sources.root, v2);
        const QString limitFile =
            v2 ? QStringLiteral("/memory.max") : QStringLiteral("/memory.limit_in_bytes");
        if (group && QFile::exists(group->folder + limitFile))
            return MemoryCgroup{group->folder, v2};
    }
    return std::nullopt;
}

qint64 availableMemory(const MemorySources& sources) {
    const QString& root = sources.root;
    std::optional<qint64> smallest;
    const auto consider = [&](const std::optional<qint64>& candidate) {
        if (candidate)
            smallest = std::min(smallest.value_or(*candidate), *candidate);
    };
    for (const bool v2 : {true, false}) {
        if (const std::optional<Cgroup> group = findCgroup(root, v2))
            consider(cgroupHeadroom(*group, v2));
    }
#if defined(Q_OS_UNIX)
    const QByteArray status = readSmall(root + QStringLiteral("/proc/self/status"));
    consider(processHeadroom(sources.addressSpaceLimit ? *sources.addressSpaceLimit
                                                       : ownLimit(RLIMIT_AS),
                             status, "VmSize"));
    consider(processHeadroom(sources.dataLimit ? *sources.dataLimit : ownLimit(RLIMIT_DATA), status,
                             "VmData"));
#endif
    if (const std::optional<qint64> available =
            field(readSmall(root + QStringLiteral("/proc/meminfo")), "MemAvailable", 1024);
        available && *available > 0)
        consider(available);
    if (smallest)
        return *smallest;
#if defined(Q_OS_UNIX)
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0)
        return qint64(pages) * pageSize / 2;
#endif
    return qint64{4} << 30;
}

} // namespace pix
