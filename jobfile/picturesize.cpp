#include "jobfile/picturesize.h"

#include "platform/imaging/decoder.h"

#include <QFileInfo>
#include <QSize>

namespace pix {

void MeasurePicture(const QString& path, JobItem& item) {
    // Only regular files are opened: a job file may name a FIFO or a device, whose reading
    // could block or never end.
    if (!QFileInfo(path).isFile())
        return;
    QSize size;
    if (imaging::measureFile(path, size) != imaging::Status::Ok)
        return;
    if (item.source.width == 0)
        item.source.width = size.width();
    if (item.source.height == 0)
        item.source.height = size.height();
    if (item.output.width == 0)
        item.output.width = item.source.width;
    if (item.output.height == 0)
        item.output.height = item.source.height;
}

} // namespace pix
