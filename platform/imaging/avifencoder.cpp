#include "platform/imaging/avifencoder.h"

#include "platform/imaging/cores.h"
#include "platform/imaging/owned.h"

#include <avif/avif.h>

#include <algorithm>

namespace pix::imaging {

namespace {

constexpr int kFullChromaQuality = 90;

// libaom's speed (0 slowest to 9 fastest) for a picture of that many pixels: the slowest that
// keeps a picture to about a second and a half of one core. On photographs at quality 50 speed
// 6 takes 0.54 s a megapixel, 7 0.25 s, 8 0.11 s and 9 0.056 s (docs/performance.md), so small
// pictures get speed 6, which compresses as well as libheif's default, and a 24-megapixel
// photograph speed 9.
int speedFor(std::int64_t pixels) {
    constexpr std::int64_t kMegapixel = 1000000;
    if (pixels <= 2800 * kMegapixel / 1000)
        return 6;
    if (pixels <= 6 * kMegapixel)
        return 7;
    if (pixels <= 13 * kMegapixel)
        return 8;
    return 9;
}

using Image = Owned<avifImage, avifImageDestroy>;

using Encoder = Owned<avifEncoder, avifEncoderDestroy>;

Status statusOf(avifResult result) {
    switch (result) {
    case AVIF_RESULT_OK:
        return Status::Ok;
    case AVIF_RESULT_OUT_OF_MEMORY:
        return Status::OutOfMemory;
    case AVIF_RESULT_NO_CODEC_AVAILABLE:
        return Status::UnknownEncoder;
    default:
        return Status::InvalidParameter;
    }
}

} // namespace

int avifQuantizerForQuality(int quality) {
    return ((100 - std::clamp(quality, 0, 100)) * AVIF_QUANTIZER_WORST_QUALITY + 50) / 100;
}

Status encodeAvif(Picture&& picture, int quality, QIODevice& device) {
    if (picture.isNull())
        return Status::InvalidParameter;
    const bool alpha = picture.hasAlpha() && hasTranslucentPixels(picture.image());
    const QImage straight = picture.toStraightArgb();
    const PictureMetadata metadata = std::move(picture.metadata());
    picture = Picture();
    if (straight.isNull())
        return Status::OutOfMemory;
    const Image image{avifImageCreate(
        std::uint32_t(straight.width()), std::uint32_t(straight.height()), 8,
        quality >= kFullChromaQuality ? AVIF_PIXEL_FORMAT_YUV444 : AVIF_PIXEL_FORMAT_YUV420)};
    if (!image)
        return Status::OutOfMemory;
    // sRGB pixels, YUV by BT.601's matrix over the full range, as JPEG stores them.
    image->colorPrimaries = AVIF_COLOR_PRIMARIES_BT709;
    image->transferCharacteristics = AVIF_TRANSFER_CHARACTERISTICS_SRGB;
    image->matrixCoefficients = AVIF_MATRIX_COEFFICIENTS_BT601;
    image->yuvRange = AVIF_RANGE_FULL;
    // A profile goes into the colr box instead, and describes the pixels; the primaries and
    // transfer of sRGB would then be wrong, so they are left unspecified.
    const auto bytes = [](const QByteArray& block) {
        return reinterpret_cast<const std::uint8_t*>(block.constData());
    };
    if (!metadata.iccProfile.isEmpty()) {
        avifImageSetProfileICC(image.get(), bytes(metadata.iccProfile),
                               std::size_t(metadata.iccProfile.size()));
        image->colorPrimaries = AVIF_COLOR_PRIMARIES_UNSPECIFIED;
        image->transferCharacteristics = AVIF_TRANSFER_CHARACTERISTICS_UNSPECIFIED;
    }
    // EXIF and XMP become the file's Exif and mime items.
    if (!metadata.exif.isEmpty())
        avifImageSetMetadataExif(image.get(), bytes(metadata.exif),
                                 std::size_t(metadata.exif.size()));
    if (!metadata.xmp.isEmpty())
        avifImageSetMetadataXMP(image.get(), bytes(metadata.xmp), std::size_t(metadata.xmp.size()));
    avifRGBImage rgb;
    avifRGBImageSetDefaults(&rgb, image.get());
    rgb.format = AVIF_RGB_FORMAT_BGRA; // a QRgb's bytes on a little-endian machine
    rgb.depth = 8;
    rgb.ignoreAlpha = alpha ? AVIF_FALSE : AVIF_TRUE;
    rgb.pixels = const_cast<std::uint8_t*>(straight.constBits()); // only read
    rgb.rowBytes = std::uint32_t(straight.bytesPerLine());
    avifResult result = avifImageRGBToYUV(image.get(), &rgb);
    if (result != AVIF_RESULT_OK)
        return statusOf(result);

    Encoder e(avifEncoderCreate());
    if (!e)
        return Status::OutOfMemory;
    if (avifCodecName(AVIF_CODEC_CHOICE_AOM, AVIF_CODEC_FLAG_CAN_ENCODE))
        e->codecChoice = AVIF_CODEC_CHOICE_AOM;
    e->maxThreads = coresForThisThread();
    e->autoTiling = e->maxThreads > 1 ? AVIF_TRUE : AVIF_FALSE; // tiles for threads
    e->speed = speedFor(std::int64_t(straight.width()) * straight.height());
    e->minQuantizer = e->maxQuantizer = avifQuantizerForQuality(quality);
    e->minQuantizerAlpha = e->maxQuantizerAlpha = avifQuantizerForQuality(quality);
    avifRWData output = AVIF_DATA_EMPTY;
    result = avifEncoderWrite(e.get(), image.get(), &output);
    Status status = statusOf(result);
    if (status == Status::Ok && device.write(reinterpret_cast<const char*>(output.data),
                                             qint64(output.size)) != qint64(output.size))
        status = Status::WriteFailed;
    avifRWDataFree(&output);
    return status;
}

} // namespace pix::imaging
