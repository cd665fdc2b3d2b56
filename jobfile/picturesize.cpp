#include "jobfile/picturesize.h"

#include "platform/imaging/decoder.h"

#include <QFileInfo>
#include <QSize>

namespace pix {

bool MeasurePicture(const QString& path, JobItem& item, QString* why) {
    // Only regular files are opened: a job file may name a FIFO or a device, whose reading
    // could block or never end.
    if (!QFileInfo(path).isFile()) {
        if (why)
            *why = QStringLiteral("not a regular file");
        return false;
    }
    QSize size;
    if (const imaging::Status status = imaging::measureFile(path, size);
        status != imaging::Status::Ok) {
        if (why)
            *why = QStringLiteral("not a picture that can be read (%1)")
                       .arg(QString::fromUtf8(imaging::statusText(status)));
        return false;
    }
    if (item.source.width == 0)
        item.source.width = size.width();
    if (item.source.height == 0)
        item.source.height = size.height();
    if (item.output.width == 0)
        item.output.width = item.source.width;
    if (item.output.height == 0)
        item.output.height = item.source.height;
    return true;
}

} // namespace pix
