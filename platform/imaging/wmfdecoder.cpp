#include "platform/imaging/wmfdecoder.h"

#include "platform/wmf/wmfplayer.h"

#include <algorithm>
#include <cmath>

namespace pix::imaging {

namespace {

Status fromWmf(wmf::WmfResult result) {
    switch (result) {
    case wmf::WmfResult::Ok:
        return Status::Ok;
    case wmf::WmfResult::NotWmf:
        return Status::UnknownImageFormat;
    case wmf::WmfResult::Malformed:
        break;
    }
    return Status::CorruptData;
}

} // namespace

// A metafile draws equally well at any size. When the caller needs less than the picture's own
// size, it is drawn at the smallest size that still covers the request, its proportions kept,
// so that a metafile claiming a huge frame costs no more memory than the output it becomes.
QSize wmfRenderSize(QSize own, QSize minSize) {
    if (minSize.isEmpty())
        return own;
    const double scale = std::min(1.0, std::max(double(minSize.width()) / own.width(),
                                                double(minSize.height()) / own.height()));
    const auto side = [scale](int length) {
        return std::clamp(int(std::ceil(length * scale - 1e-9)), 1, length);
    };
    return QSize(side(own.width()), side(own.height()));
}

bool isWmfData(const unsigned char* data, std::size_t size) {
    return wmf::isWmf(data, size);
}

Status measureWmf(const unsigned char* data, std::size_t size, QSize& out) {
    QSize pixels;
    const Status status = fromWmf(wmf::measureWmf(data, size, pixels));
    if (status != Status::Ok)
        return status;
    if (!sizeAllowed(pixels.width(), pixels.height()))
        return Status::TooLarge;
    out = pixels;
    return Status::Ok;
}

Status decodeWmf(const unsigned char* data, std::size_t size, QSize minSize, Picture& out) {
    QSize pixels;
    Status status = measureWmf(data, size, pixels);
    if (status != Status::Ok)
        return status;
    pixels = wmfRenderSize(pixels, minSize);
    Picture canvas;
    status = allocatePicture(pixels.width(), pixels.height(), true, canvas);
    if (status != Status::Ok)
        return status;
    canvas.image().fill(Qt::transparent);
    status = fromWmf(wmf::renderWmf(data, size, canvas.image()));
    if (status == Status::Ok)
        out = std::move(canvas);
    return status;
}

} // namespace pix::imaging
