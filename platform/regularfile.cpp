#include "platform/regularfile.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pix {

RegularFileRead readRegularFile(const QString& path, qint64 limit, bool followLink) {
    using Outcome = RegularFileRead::Outcome;
    RegularFileRead read;
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDONLY | O_NONBLOCK | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW));
    if (fd < 0) {
        read.error = errno;
        read.outcome = errno == ENOENT ? Outcome::Missing : Outcome::Failed;
        return read;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        read.error = errno;
    } else if (!S_ISREG(info.st_mode)) {
        read.outcome = Outcome::NotRegular;
    } else if (info.st_size > limit) {
        read.outcome = Outcome::TooLarge;
    } else {
        read.bytes.resize(qsizetype(info.st_size));
        qsizetype done = 0;
        while (done < read.bytes.size()) {
            const ssize_t got =
                ::read(fd, read.bytes.data() + done, std::size_t(read.bytes.size() - done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += got;
        }
        read.bytes.truncate(done);
        read.outcome = Outcome::Read;
    }
    ::close(fd);
    return read;
}

} // namespace pix
