// How much memory a decode will hold, from the headers alone.
#include "platform/imaging/codecs.h"
#include "platform/imaging/decodedetail.h"
#include "platform/imaging/guard.h"
#include "platform/imaging/jpegcodec.h"
#include "platform/imaging/pngdecoder.h"
#include "platform/imaging/tifffile.h"
#include "platform/imaging/wmfdecoder.h"

namespace pix::imaging {

namespace {

std::uint64_t pixelBytes(QSize size, std::uint64_t perPixel) {
    return std::uint64_t(size.width()) * std::uint64_t(size.height()) * perPixel;
}

bool isQuarterTurn(RotateFlipType type) {
    return rotatedSize(1, 2, type) != QSize(1, 2);
}

Status estimate(const Codec& codec, const unsigned char* data, std::size_t size,
                const DecodeHint& hint, std::uint64_t& bytes) {
    if (codec.estimate)
        return codec.estimate(data, size, hint, bytes);
    if (codec.format == ImageFormat::Jpeg) {
        // Turned band by band while decoding: one picture, and the coefficients of a
        // progressive file (only their DC for a preview that is drawn from them).
        JpegPlan plan;
        const Status status = planJpegDecode(data, size, hint, plan);
        if (status == Status::Ok)
            bytes = pixelBytes(plan.upright, 4) + plan.coefficientBytes;
        return status;
    }
    if (codec.format == ImageFormat::Png) {
        // Shrunk while its rows stream in when the hint allows, else read whole first.
        QSize upright;
        const Status status = planPngDecode(data, size, hint.minSize, upright, bytes);
        if (status == Status::Ok && isQuarterTurn(hint.rotateFlip))
            bytes += pixelBytes(upright, 4); // the turned copy
        return status;
    }
    QSize upright;
    const Status status = codec.measure(data, size, upright);
    if (status != Status::Ok)
        return status;
    std::uint64_t perPixel = 4; // the picture
    if (codec.format == ImageFormat::Wmf)
        upright = wmfRenderSize(upright, hint.minSize);
    if (codec.format == ImageFormat::Ico)
        perPixel += 8; // the reader's own picture first, 16 bits a channel at most
    if (isQuarterTurn(hint.rotateFlip))
        perPixel += 4; // the turned copy
    bytes = pixelBytes(upright, perPixel);
    if (codec.format == ImageFormat::Tiff) // one strip or tile, at most
        bytes += std::min<std::uint64_t>(pixelBytes(upright, 8),
                                         std::uint64_t(tiff::allocationLimit(size)));
    return Status::Ok;
}

} // namespace

Status estimateDecodeMemory(const unsigned char* data, std::size_t size, const DecodeHint& hint,
                            std::uint64_t& bytes) {
    detail::clearDecodeDetail();
    if ((!data && size > 0) || !isRotateFlipType(hint.rotateFlip))
        return Status::InvalidParameter;
    return guarded([&] {
        const Codec* codec = codecForData(data, size);
        return codec ? estimate(*codec, data, size, hint, bytes) : Status::UnknownImageFormat;
    });
}

} // namespace pix::imaging
