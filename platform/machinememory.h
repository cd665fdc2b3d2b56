// How much memory this process may still take for the work of one run.
#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

namespace pix {

// Where the limits are read. By default the running system's; the tests give a folder that
// stands for the root of the file system (holding proc/self/cgroup, proc/self/mountinfo,
// proc/self/status, proc/meminfo and the cgroup files below their mount points) and the
// process's resource limits.
struct MemorySources {
    QString root; // prefixed to every path read; empty for the real file system
    // The soft limits RLIMIT_AS and RLIMIT_DATA in bytes, none for unlimited; read from the
    // process when not given.
    std::optional<std::optional<qint64>> addressSpaceLimit;
    std::optional<std::optional<qint64>> dataLimit;
};

// The memory that can be taken without being killed or pushing other programs out: the
// smallest of what the limits that apply leave free:
// - the memory cgroup (v2: memory.max less memory.current; v1: memory.limit_in_bytes less
//   memory.usage_in_bytes), of this process's group and each group above it, the cache the
//   kernel can drop (inactive files) not counted as used;
// - the address-space and data-size limits less what the process holds of each;
// - the system's estimate of available memory (MemAvailable).
// Without any of these, half the physical memory, else 4 GiB.
qint64 availableMemory(const MemorySources& sources = {});

// The folder of the memory cgroup this process is in (v2 when the unified hierarchy has the
// memory controller, else v1); none when there is none to be seen.
struct MemoryCgroup {
    QString folder;
    bool v2 = false;
};
std::optional<MemoryCgroup> ownMemoryCgroup(const MemorySources& sources = {});

} // namespace pix
