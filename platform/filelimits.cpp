#include "platform/filelimits.h"

#include <csignal>
#include <limits>
#if defined(Q_OS_UNIX)
#include <sys/resource.h>
#endif

namespace pix {

std::optional<qint64> fileSizeLimit() {
#if defined(Q_OS_UNIX)
    rlimit limit{};
    if (getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        limit.rlim_cur < rlim_t(std::numeric_limits<qint64>::max()))
        return qint64(limit.rlim_cur);
#endif
    return std::nullopt;
}

void surviveFileSizeLimit() {
#if defined(SIGXFSZ)
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

} // namespace pix
