#include "platform/machinememory.h"

#include <QByteArray>
#include <QFile>
#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

namespace pix {

namespace {

// "MemAvailable:   12345678 kB" from /proc/meminfo, in bytes; 0 when not there.
qint64 memAvailableLine() {
    QFile file(QStringLiteral("/proc/meminfo"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = file.read(64 * 1024);
    for (const QByteArray& line : text.split('\n')) {
        if (!line.startsWith("MemAvailable:"))
            continue;
        const QList<QByteArray> parts = line.simplified().split(' ');
        bool ok = false;
        const qint64 kib = parts.size() >= 2 ? parts[1].toLongLong(&ok) : 0;
        return ok && kib > 0 ? kib * 1024 : 0;
    }
    return 0;
}

} // namespace

qint64 availableMemory() {
    if (const qint64 available = memAvailableLine(); available > 0)
        return available;
#if defined(Q_OS_UNIX)
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0)
        return qint64(pages) * pageSize / 2;
#endif
    return qint64{4} << 30;
}

} // namespace pix
