#include "jobs/writefailure.h"

#include "platform/filelimits.h"

#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <cerrno>
#include <unistd.h>

namespace pix {

QString DescribeWriteFailure(const QString& path, qint64 bytes) {
    const QFileInfo target(path);
    if (target.isDir())
        return QStringLiteral("the target is a folder");
    const QFileInfo folder(target.absolutePath());
    // The file is written beside the target first, so the folder must take a new file.
    if (!folder.isDir())
        return QStringLiteral("the output folder does not exist");
    // A read-only file system refuses writing to everyone: told apart before permissions,
    // which it fails as well.
    const QStorageInfo volume(folder.absoluteFilePath());
    if ((volume.isValid() && volume.isReadOnly()) ||
        (::access(QFile::encodeName(folder.absoluteFilePath()).constData(), W_OK) != 0 &&
         errno == EROFS))
        return QStringLiteral("the disk is read-only");
    if (!folder.isWritable() || (target.exists() && !target.isWritable()))
        return QStringLiteral("permission denied");
    if (const std::optional<qint64> limit = fileSizeLimit(); limit && bytes > *limit)
        return QStringLiteral("the file is larger than the file-size limit of %1 bytes")
            .arg(*limit);
    if (volume.isValid() && volume.bytesAvailable() < bytes)
        return QStringLiteral("the disk is full");
    return QStringLiteral("the file could not be written");
}

} // namespace pix
