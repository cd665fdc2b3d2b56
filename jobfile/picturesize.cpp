#include "jobfile/picturesize.h"

#include "platform/imaging/decoder.h"
#include "platform/imaging/wmfdecoder.h"

#include <QFile>
#include <QFileInfo>
#include <QSize>
#include <algorithm>

namespace pix {

namespace {

bool isMetafile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(64);
    return imaging::detectFormat(reinterpret_cast<const unsigned char*>(head.constData()),
                                 std::size_t(head.size())) == imaging::ImageFormat::Wmf;
}

} // namespace

bool MeasurePicture(const QString& path, JobItem& item, QString* why, QString* note) {
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
    if (std::max(size.width(), size.height()) > imaging::kWmfUnaskedLongSide && isMetafile(path)) {
        // Drawn at its own size only up to a sensible pixel count; a size given in the job
        // draws it larger.
        const QSize drawn = imaging::wmfRenderSize(size, QSize());
        if (note)
            *note = QStringLiteral("drawn at %1 x %2 pixels, not at its own %3 x %4 (give a "
                                   "size to draw it larger)")
                        .arg(drawn.width())
                        .arg(drawn.height())
                        .arg(size.width())
                        .arg(size.height());
        size = drawn;
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

bool NeedsOwnSize(const JobOutput& output) {
    return output.width == 0 || output.height == 0 || DependsOnPicture(output.resize);
}

void ApplyResizeRule(JobItem& item) {
    JobOutput& out = item.output;
    const QSize own(item.source.width, item.source.height);
    if (!DependsOnPicture(out.resize) || own.isEmpty())
        return;
    if (out.resize.mode == ResizeMode::Exact) {
        out.resize.width = out.width;
        out.resize.height = out.height;
    }
    // A size that is not above 0 stays as given, for the entry to report.
    if (!IsUsable(out.resize))
        return;
    const QSize size = ResizedSize(own, out.resize);
    out.width = size.width();
    out.height = size.height();
}

} // namespace pix
