#include "platform/imaging/wmfdecoder.h"

#include "platform/wmf/wmfplayer.h"

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

Status decodeWmf(const unsigned char* data, std::size_t size, Picture& out) {
    QSize pixels;
    Status status = measureWmf(data, size, pixels);
    if (status != Status::Ok)
        return status;
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
