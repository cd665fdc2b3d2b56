#include "jobs/writefailure.h"

#include "platform/filelimits.h"

#include <QFileInfo>
#include <QStorageInfo>

namespace pix {

QString DescribeWriteFailure(const QString& path, qint64 bytes) {
    const QFileInfo target(path);
    if (target.isDir())
        return QStringLiteral("the target is a folder");
    const QFileInfo folder(target.absolutePath());
    // The file is written beside the target first, so the folder must take a new file.
    if (!folder.isDir())
        return QStringLiteral("the output folder does not exist");
    if (!folder.isWritable() || (target.exists() && !target.isWritable()))
        return QStringLiteral("permission denied");
    if (const std::optional<qint64> limit = fileSizeLimit(); limit && bytes > *limit)
        return QStringLiteral("the file is larger than the file-size limit of %1 bytes")
            .arg(*limit);
    const QStorageInfo volume(folder.absoluteFilePath());
    if (volume.isValid() && volume.isReadOnly())
        return QStringLiteral("the disk is read-only");
    if (volume.isValid() && volume.bytesAvailable() < bytes)
        return QStringLiteral("the disk is full");
    return QStringLiteral("the file could not be written");
}

} // namespace pix
