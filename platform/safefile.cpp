#include "platform/safefile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pix {

namespace {

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

// A name not yet taken in the folder: the prefix and six random letters and digits.
QString temporaryName(const QString& folder) {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString name = folder + u'/' + QLatin1String(kSafeFilePrefix);
    for (int i = 0; i < 6; ++i)
        name += QLatin1Char(kLetters[QRandomGenerator::global()->bounded(62)]);
    return name;
}

// The file a path names, through every symbolic link on the way; the path itself when it does
// not exist yet.
QString resolved(const QString& path) {
    const QFileInfo info(path);
    if (!info.isSymLink())
        return path;
    const QString target = info.canonicalFilePath();
    // A dangling link: the file it names is made.
    return target.isEmpty() ? info.symLinkTarget() : target;
}

} // namespace

SafeFile::SafeFile(const QString& target, Owner owner) : target_(resolved(target)), owner_(owner) {}

SafeFile::~SafeFile() {
    discard();
}

bool SafeFile::fail(int error) {
    if (error_ == 0)
        error_ = error;
    discard();
    return false;
}

void SafeFile::discard() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!temporary_.isEmpty())
        ::unlink(native(temporary_).constData());
    temporary_.clear();
    if (isOpen())
        QIODevice::close();
}

bool SafeFile::openNamed(const QString& folder, int mode) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = temporaryName(folder);
        fd_ = ::open(native(name).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd_ >= 0) {
            temporary_ = name;
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

bool SafeFile::open(OpenMode mode) {
    if (isOpen() || (mode & ReadOnly) || !(mode & WriteOnly))
        return fail(EINVAL);
    error_ = 0;
    const QByteArray target = native(target_);
    const QString folder = QFileInfo(target_).absolutePath();
    struct stat existing {};
    const bool exists = ::stat(target.constData(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode))
        return fail(EISDIR);
    // A file that may not be written is not replaced either.
    if (exists && ::access(target.constData(), W_OK) != 0)
        return fail(errno);
    // Owner-only until it is complete; then the target's permissions.
    const int initial = exists ? 0600 : 0666;
    bool made = false;
#if defined(O_TMPFILE)
    if (!named_) {
        fd_ = ::open(native(folder).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, initial);
        made = fd_ >= 0;
    }
#endif
    if (!made && !openNamed(folder, initial))
        return fail(errno);
    if (exists) {
        ::fchmod(fd_, existing.st_mode & 07777);
        if ((existing.st_uid != geteuid() || existing.st_gid != getegid()) &&
            ::fchown(fd_, existing.st_uid, existing.st_gid) != 0 && owner_ == Owner::KeepOrFail)
            return fail(EPERM);
    }
    return QIODevice::open(WriteOnly | Unbuffered);
}

bool SafeFile::seek(qint64 position) {
    if (fd_ < 0 || ::lseek(fd_, off_t(position), SEEK_SET) < 0)
        return false;
    return QIODevice::seek(position);
}

qint64 SafeFile::size() const {
    struct stat info {};
    return fd_ >= 0 && ::fstat(fd_, &info) == 0 ? qint64(info.st_size) : 0;
}

qint64 SafeFile::writeData(const char* data, qint64 length) {
    qint64 done = 0;
    while (done < length) {
        const ssize_t wrote = ::write(fd_, data + done, std::size_t(length - done));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0) {
            error_ = wrote < 0 ? errno : ENOSPC;
            return -1;
        }
        done += wrote;
    }
    return done;
}

// Gives the nameless file a short temporary name, so that it can be renamed over the target.
bool SafeFile::linkNameless(const QString& folder) {
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd_);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = temporaryName(folder);
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, native(name).constData(),
                     AT_SYMLINK_FOLLOW) == 0) {
            temporary_ = name;
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

bool SafeFile::commit() {
    if (!isOpen() || fd_ < 0)
        return fail(EBADF);
    if (error_ != 0)
        return fail(error_);
    if (::fsync(fd_) != 0)
        return fail(errno);
    if (temporary_.isEmpty() && !linkNameless(QFileInfo(target_).absolutePath()))
        return fail(errno);
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0)
        return fail(errno);
    if (::rename(native(temporary_).constData(), native(target_).constData()) != 0)
        return fail(errno);
    temporary_.clear();
    QIODevice::close();
    return true;
}

} // namespace pix
