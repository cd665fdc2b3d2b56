// The memory a run may take: the smallest of the limits that apply, read from a sandbox folder
// that stands for the file system of a container, a systemd slice or a plain machine.
#include "platform/machinememory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>

namespace pix {
namespace {

constexpr qint64 MiB = 1024 * 1024;

const QByteArray kMemInfo = "MemTotal: 25000000 kB\nMemFree: 1000 kB\nMemAvailable: 20480000 kB\n";
const QByteArray kV2Mount = "30 25 0:26 / /sys/fs/cgroup rw,nosuid - cgroup2 cgroup2 rw\n";
const QByteArray kV1Mounts = "38 25 0:33 / /sys/fs/cgroup/cpu rw - cgroup cgroup rw,cpu\n"
                             "40 25 0:35 / /sys/fs/cgroup/memory rw - cgroup cgroup rw,memory\n";

struct LimitCase {
    const char* name;
    std::map<QString, QByteArray> files;
    std::optional<qint64> addressSpace, data; // the process's limits; none: unlimited
    qint64 expected;
};

TEST(MachineMemory, TheSmallestLimitThatAppliesCounts) {
    const LimitCase cases[] = {
        {"MemAvailable alone", {{"proc/meminfo", kMemInfo}}, {}, {}, 20480000 * qint64(1024)},
        {"cgroup v2: memory.max less memory.current, the inactive file cache not counted",
         {{"proc/meminfo", kMemInfo},
          {"proc/self/cgroup", "0::/kubepods/pod1/c1\n"},
          {"proc/self/mountinfo", kV2Mount},
          {"sys/fs/cgroup/kubepods/pod1/c1/memory.max", "1610612736\n"},
          {"sys/fs/cgroup/kubepods/pod1/c1/memory.current", "157286400\n"},
          {"sys/fs/cgroup/kubepods/pod1/c1/memory.stat", "anon 1\ninactive_file 52428800\n"}},
         {},
         {},
         1536 * MiB - 100 * MiB},
        {"cgroup v2: a group above with less room",
         {{"proc/meminfo", kMemInfo},
          {"proc/self/cgroup", "0::/system.slice/pixovia.service\n"},
          {"proc/self/mountinfo", kV2Mount},
          {"sys/fs/cgroup/system.slice/pixovia.service/memory.max", "max\n"},
          {"sys/fs/cgroup/system.slice/pixovia.service/memory.current", "10485760\n"},
          {"sys/fs/cgroup/system.slice/memory.max", "1073741824\n"},
          {"sys/fs/cgroup/system.slice/memory.current", "943718400\n"}},
         {},
         {},
         124 * MiB},
        {"cgroup v2 without a limit",
         {{"proc/meminfo", kMemInfo},
          {"proc/self/cgroup", "0::/user.slice\n"},
          {"proc/self/mountinfo", kV2Mount},
          {"sys/fs/cgroup/user.slice/memory.max", "max\n"},
          {"sys/fs/cgroup/user.slice/memory.current", "10485760\n"}},
         {},
         {},
         20480000 * qint64(1024)},
        {"cgroup v2 namespace: the container's own group at the mount point",
         {{"proc/meminfo", kMemInfo},
          {"proc/self/cgroup", "0::/\n"},
          {"proc/self/mountinfo", kV2Mount},
          {"sys/fs/cgroup/memory.max", "536870912\n"},
          {"sys/fs/cgroup/memory.current", "268435456\n"}},
         {},
         {},
         256 * MiB},
        {"cgroup v1: memory.limit_in_bytes less usage",
         {{"proc/meminfo", kMemInfo},
          {"proc/self/cgroup", "5:cpu,cpuacct:/\n4:memory:/process_api/job\n0::/\n"},
          {"proc/self/mountinfo", kV1Mounts},
          {"sys/fs/cgroup/memory/process_api/job/memory.limit_in_bytes", "1610612736\n"},
          {"sys/fs/cgroup/memory/process_api/job/memory.usage_in_bytes", "209715200\n"},
          {"sys/fs/cgroup/memory/process_api/job/memory.stat", "total_inactive_file 0\n"},
          {"sys/fs/cgroup/memory/memory.limit_in_bytes", "9223372036854771712\n"}},
         {},
         {},
         1336 * MiB},
        {"cgroup v1 without a limit",
         {{"proc/meminfo", kMemInfo},
          {"proc/self/cgroup", "4:memory:/user\n"},
          {"proc/self/mountinfo", kV1Mounts},
          {"sys/fs/cgroup/memory/user/memory.limit_in_bytes", "9223372036854771712\n"},
          {"sys/fs/cgroup/memory/user/memory.usage_in_bytes", "209715200\n"}},
         {},
         {},
         20480000 * qint64(1024)},
        {"cgroup v1 mounted from inside the hierarchy",
         {{"proc/meminfo", kMemInfo},
          {"proc/self/cgroup", "4:memory:/docker/abc\n"},
          {"proc/self/mountinfo",
           "40 25 0:35 /docker/abc /sys/fs/cgroup/memory ro - cgroup cgroup rw,memory\n"},
          {"sys/fs/cgroup/memory/memory.limit_in_bytes", "1073741824\n"},
          {"sys/fs/cgroup/memory/memory.usage_in_bytes", "536870912\n"}},
         {},
         {},
         512 * MiB},
        {"RLIMIT_AS less the address space held",
         {{"proc/meminfo", kMemInfo}, {"proc/self/status", "VmPeak: 9 kB\nVmSize:\t524288 kB\n"}},
         2048 * MiB,
         {},
         1536 * MiB},
        {"RLIMIT_DATA less the data held",
         {{"proc/meminfo", kMemInfo},
          {"proc/self/status", "VmSize: 524288 kB\nVmData: 102400 kB\n"}},
         {},
         1024 * MiB,
         924 * MiB},
        {"a limit already used up leaves nothing",
         {{"proc/meminfo", kMemInfo}, {"proc/self/status", "VmSize: 4194304 kB\n"}},
         1024 * MiB,
         {},
         0},
        {"every kind at once: the smallest",
         {{"proc/meminfo", kMemInfo},
          {"proc/self/cgroup", "0::/c\n"},
          {"proc/self/mountinfo", kV2Mount},
          {"sys/fs/cgroup/c/memory.max", "3221225472\n"},
          {"sys/fs/cgroup/c/memory.current", "0\n"},
          {"proc/self/status", "VmSize: 1048576 kB\nVmData: 1048576 kB\n"}},
         4096 * MiB,
         3072 * MiB,
         2048 * MiB},
    };
    for (const LimitCase& c : cases) {
        QTemporaryDir root;
        for (const auto& [name, text] : c.files) {
            QDir().mkpath(QFileInfo(root.filePath(name)).path());
            QFile file(root.filePath(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(text);
        }
        MemorySources sources{root.path(), c.addressSpace, c.data};
        EXPECT_EQ(availableMemory(sources), c.expected) << c.name;
    }
    // Nothing to read and no limit: still some memory to work with.
    QTemporaryDir empty;
    EXPECT_GT(availableMemory({empty.path(), std::optional<qint64>(), std::optional<qint64>()}), 0);
}

} // namespace
} // namespace pix
