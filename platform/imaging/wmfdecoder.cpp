#include "platform/imaging/wmfdecoder.h"

#include "platform/imaging/decodedetail.h"
#include "platform/wmf/wmfplayer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace pix::imaging {

namespace {

Status fromWmf(wmf::WmfResult result) {
    switch (result) {
    case wmf::WmfResult::Ok:
        return Status::Ok;
    case wmf::WmfResult::NotWmf:
        return Status::UnknownImageFormat;
    case wmf::WmfResult::TooMuchWork:
        return Status::TooLarge;
    case wmf::WmfResult::Malformed:
        break;
    }
    return Status::CorruptData;
}

void noteSizes(detail::Severity severity, const char* format, QSize a, QSize b = QSize()) {
    char text[160];
    std::snprintf(text, sizeof text, format, a.width(), a.height(), b.width(), b.height());
    detail::noteDecodeDetail(severity, text);
}

} // namespace

// A metafile draws equally well at any size. When the caller needs less than the picture's own
// size, it is drawn at the smallest size that still covers the request, its proportions kept,
// so that a metafile claiming a huge frame costs no more memory than the output it becomes.
// Without a request it is drawn at its own size, but no larger than kWmfUnaskedLongSide on its
// long side: a frame of a few bytes may claim 65535 x 4096 pixels.
QSize wmfRenderSize(QSize own, QSize minSize) {
    const int longSide = std::max(own.width(), own.height());
    if (minSize.isEmpty() && longSide <= kWmfUnaskedLongSide)
        return own;
    const double scale = minSize.isEmpty()
                             ? double(kWmfUnaskedLongSide) / longSide
                             : std::min(1.0, std::max(double(minSize.width()) / own.width(),
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
    const QSize own = pixels;
    pixels = wmfRenderSize(pixels, minSize);
    if (minSize.isEmpty() && pixels != own)
        noteSizes(detail::Severity::Warning, "drawn at %d x %d, not at its own %d x %d", pixels,
                  own);
    Picture canvas;
    status = allocatePicture(pixels.width(), pixels.height(), true, canvas);
    if (status != Status::Ok)
        return status;
    canvas.image().fill(Qt::transparent);
    const wmf::WmfResult played = wmf::renderWmf(data, size, canvas.image());
    if (played == wmf::WmfResult::TooMuchWork)
        noteSizes(detail::Severity::Error,
                  "drawing it at %d x %d pixels takes more work than a picture may take; a "
                  "smaller size may do",
                  pixels);
    status = fromWmf(played);
    if (status == Status::Ok)
        out = std::move(canvas);
    return status;
}

} // namespace pix::imaging
