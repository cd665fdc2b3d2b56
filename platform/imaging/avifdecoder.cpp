#include "platform/imaging/avifdecoder.h"

#include "platform/imaging/claimcheck.h"
#include "platform/imaging/colourprofile.h"
#include "platform/imaging/cores.h"
#include "platform/imaging/decodedetail.h"
#include "platform/imaging/exifblock.h"
#include "platform/imaging/ftypbrands.h"
#include "platform/imaging/hdrtosdr.h"
#include "platform/imaging/owned.h"
#include "platform/imaging/pixelrows.h"

#include <avif/avif.h>

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

namespace pix::imaging {

namespace {

using Decoder = Owned<avifDecoder, avifDecoderDestroy>;

Status failed(avifResult result, const avifDecoder* decoder) {
    char text[300];
    if (decoder->diag.error[0] != '\0')
        std::snprintf(text, sizeof text, "%s: %s", avifResultToString(result), decoder->diag.error);
    else
        std::snprintf(text, sizeof text, "%s", avifResultToString(result));
    detail::noteDecodeDetail(detail::Severity::Error, text);
    switch (result) {
    case AVIF_RESULT_OUT_OF_MEMORY:
        return Status::OutOfMemory;
    case AVIF_RESULT_NO_CODEC_AVAILABLE:
    case AVIF_RESULT_NOT_IMPLEMENTED:
        return Status::UnknownImageFormat;
    default:
        return Status::CorruptData;
    }
}

// Reads the file's boxes: the size, depth, transforms and metadata of its picture are known
// after this; nothing is decoded yet. The AV1 decoder will refuse frames larger than the file
// may claim, so a lying sequence header cannot make it allocate either.
Status parse(const unsigned char* data, std::size_t size, avifDecoder* decoder,
             const QString& path = {}) {
    if (!decoder)
        return Status::OutOfMemory;
    if (avifCodecName(AVIF_CODEC_CHOICE_DAV1D, AVIF_CODEC_FLAG_CAN_DECODE))
        decoder->codecChoice = AVIF_CODEC_CHOICE_DAV1D;
    decoder->maxThreads = coresForThisThread();
    decoder->imageSizeLimit = std::uint32_t(claimablePixels(size));
    decoder->imageDimensionLimit = kMaxSide;
    // Read what other programs read: a missing pixel-information box or an odd crop is no
    // reason to refuse a picture.
    decoder->strictFlags = AVIF_STRICT_DISABLED;
    avifResult result = path.isEmpty()
                            ? avifDecoderSetIOMemory(decoder, data, size)
                            : avifDecoderSetIOFile(decoder, QFile::encodeName(path).constData());
    if (result == AVIF_RESULT_OK)
        result = avifDecoderParse(decoder);
    if (result != AVIF_RESULT_OK)
        return failed(result, decoder);
    if (decoder->image->width == 0 || decoder->image->height == 0) {
        detail::noteDecodeDetail(detail::Severity::Error, "the picture has no size");
        return Status::CorruptData;
    }
    return Status::Ok;
}

// How the decoded frame becomes the upright picture: the clean aperture's crop, then the
// rotation (counter-clockwise in the file) and the mirror.
struct Upright {
    avifCropRect crop{};
    bool cropped = false;
    RotateFlipType turn = RotateNoneFlipNone;
};

Upright uprightOf(const avifImage* image) {
    Upright upright;
    upright.crop = {0, 0, image->width, image->height};
    if (image->transformFlags & AVIF_TRANSFORM_CLAP) {
        avifCropRect crop{};
        avifDiagnostics diagnostics{};
        // A crop that breaks the rules is left out, as other readers do.
        if (avifCropRectConvertCleanApertureBox(&crop, &image->clap, image->width, image->height,
                                                image->yuvFormat, &diagnostics) &&
            crop.width > 0 && crop.height > 0) {
            upright.cropped = crop.width != image->width || crop.height != image->height;
            upright.crop = crop;
        }
    }
    if (image->transformFlags & AVIF_TRANSFORM_IROT) {
        constexpr RotateFlipType kClockwise[] = {RotateNoneFlipNone, Rotate270FlipNone,
                                                 Rotate180FlipNone, Rotate90FlipNone};
        upright.turn = kClockwise[image->irot.angle & 3];
    }
    if (image->transformFlags & AVIF_TRANSFORM_IMIR) {
        // Mode 1 exchanges left and right, mode 0 top and bottom.
        upright.turn = composeRotateFlip(upright.turn,
                                         image->imir.mode == 1 ? RotateNoneFlipX : Rotate180FlipX);
    }
    return upright;
}

QSize uprightSize(const Upright& upright) {
    return rotatedSize(int(upright.crop.width), int(upright.crop.height), upright.turn);
}

QByteArray bytesOf(const avifRWData& data) {
    return QByteArray(reinterpret_cast<const char*>(data.data), qsizetype(data.size));
}

PictureMetadata metadataOf(const avifImage* image) {
    PictureMetadata metadata;
    metadata.iccProfile = bytesOf(image->icc);
    // Without a profile, the colour description says what the pixels are.
    if (metadata.iccProfile.isEmpty())
        metadata.iccProfile =
            colour::profileForCicp(int(image->colorPrimaries), int(image->transferCharacteristics));
    metadata.xmp = bytesOf(image->xmp);
    metadata.exif = exifTiffBlockAfterOffset(image->exif.data, image->exif.size);
    return metadata;
}

// A PQ or HLG picture without a profile is brought to SDR sRGB from its deep samples.
bool isHdr(const avifImage* image) {
    return image->icc.size == 0 && hdr::isHdrTransfer(int(image->transferCharacteristics));
}

// YUV to the picture's pixels. Eight-bit frames are converted straight into the picture; deeper
// ones (and HDR ones) to 16 bits first, then rounded or brought to SDR.
Status toPicture(const avifImage* image, bool alpha, Picture& picture) {
    const int width = int(image->width);
    const int height = int(image->height);
    Status status = allocatePicture(width, height, alpha, picture);
    if (status != Status::Ok)
        return status;
    const bool toSdr = isHdr(image);
    avifRGBImage rgb;
    avifRGBImageSetDefaults(&rgb, image);
    rgb.alphaPremultiplied = alpha && !toSdr ? AVIF_TRUE : AVIF_FALSE;
    avifResult result = AVIF_RESULT_OK;
    if (image->depth <= 8 && !toSdr) {
        rgb.format = AVIF_RGB_FORMAT_BGRA; // a QRgb's bytes on a little-endian machine
        rgb.depth = 8;
        rgb.pixels = picture.image().bits();
        rgb.rowBytes = std::uint32_t(picture.image().bytesPerLine());
        result = avifImageYUVToRGB(image, &rgb);
    } else {
        rgb.format = AVIF_RGB_FORMAT_RGBA;
        // HDR samples at their own depth, which keeps the signal's table small.
        rgb.depth = toSdr ? std::max(image->depth, 10u) : 16;
        const int maxValue = (1 << rgb.depth) - 1;
        std::vector<std::uint16_t> samples(std::size_t(width) * std::size_t(height) * 4);
        rgb.pixels = reinterpret_cast<std::uint8_t*>(samples.data());
        rgb.rowBytes = std::uint32_t(width) * 8;
        result = avifImageYUVToRGB(image, &rgb);
        const std::optional<hdr::ToSdr> sdr =
            toSdr ? std::optional<hdr::ToSdr>(std::in_place, int(image->colorPrimaries),
                                              int(image->transferCharacteristics), maxValue)
                  : std::nullopt;
        for (int y = 0; result == AVIF_RESULT_OK && y < height; ++y) {
            const std::uint16_t* row = samples.data() + std::size_t(y) * std::size_t(width) * 4;
            auto* target = reinterpret_cast<QRgb*>(picture.image().scanLine(y));
            if (sdr)
                sdr->convert(row, 4, width, alpha ? RowAlpha::Straight : RowAlpha::None, target);
            else
                row16ToPixels(row, 4, maxValue, width,
                              alpha ? RowAlpha::Premultiplied : RowAlpha::None, target);
        }
    }
    if (result == AVIF_RESULT_OUT_OF_MEMORY)
        return Status::OutOfMemory;
    if (result != AVIF_RESULT_OK) {
        detail::noteDecodeDetail(detail::Severity::Error, avifResultToString(result));
        return Status::CorruptData;
    }
    return Status::Ok;
}

} // namespace

bool isAvifData(const unsigned char* data, std::size_t size) {
    return hasFtypBrand(data, size, {"avif", "avis"});
}

Status measureAvif(const unsigned char* data, std::size_t size, QSize& out) {
    Decoder decoder(avifDecoderCreate());
    const Status status = parse(data, size, decoder.get());
    if (status == Status::Ok)
        out = uprightSize(uprightOf(decoder->image));
    return status;
}

Status measureAvifFile(const QString& path, QSize& out) {
    Decoder decoder(avifDecoderCreate());
    const Status status = parse(nullptr, std::size_t(QFileInfo(path).size()), decoder.get(), path);
    if (status == Status::Ok)
        out = uprightSize(uprightOf(decoder->image));
    return status;
}

Status estimateAvifDecode(const unsigned char* data, std::size_t size, const DecodeHint& hint,
                          std::uint64_t& bytes) {
    Decoder decoder(avifDecoderCreate());
    const Status status = parse(data, size, decoder.get());
    if (status != Status::Ok)
        return status;
    const avifImage* image = decoder->image;
    const Upright upright = uprightOf(image);
    const std::uint64_t deep = image->depth > 8 ? 2 : 1;
    std::uint64_t planes = 3; // the AV1 frame: luma and two chroma planes at most
    if (image->yuvFormat == AVIF_PIXEL_FORMAT_YUV420)
        planes = 2; // one and a half, with the decoder's borders
    else if (image->yuvFormat == AVIF_PIXEL_FORMAT_YUV400)
        planes = 1;
    std::uint64_t perPixel = (planes + (decoder->alphaPresent ? 1 : 0)) * deep + 4;
    if (deep > 1 || isHdr(image))
        perPixel += 8; // the 16-bit conversion before rounding or bringing to SDR
    const RotateFlipType turn = composeRotateFlip(upright.turn, hint.rotateFlip);
    if (upright.cropped || turn != RotateNoneFlipNone)
        perPixel += 4; // the cropped or turned copy
    bytes = std::uint64_t(image->width) * image->height * perPixel;
    return Status::Ok;
}

Status decodeAvif(const unsigned char* data, std::size_t size, const DecodeHint& hint,
                  Picture& out) {
    Decoder decoder(avifDecoderCreate());
    Status status = parse(data, size, decoder.get());
    if (status != Status::Ok)
        return status;
    avifDecoder* d = decoder.get();
    status = checkClaimedSize(d->image->width, d->image->height, size);
    if (status != Status::Ok)
        return status;
    const avifResult result = avifDecoderNextImage(d); // the picture, or a sequence's first frame
    if (result != AVIF_RESULT_OK)
        return failed(result, d);
    const avifImage* image = d->image;
    const bool alpha = image->alphaPlane != nullptr;
    const Upright upright = uprightOf(image);
    Picture picture;
    status = toPicture(image, alpha, picture);
    if (status != Status::Ok)
        return status;
    if (upright.cropped) {
        QImage cropped = picture.image().copy(int(upright.crop.x), int(upright.crop.y),
                                              int(upright.crop.width), int(upright.crop.height));
        if (cropped.isNull())
            return Status::OutOfMemory;
        picture = Picture(std::move(cropped));
    }
    status = rotateFlip(picture, composeRotateFlip(upright.turn, hint.rotateFlip));
    if (status != Status::Ok)
        return status;
    picture.metadata() = metadataOf(image);
    out = std::move(picture);
    return Status::Ok;
}

} // namespace pix::imaging
