#include "platform/imaging/tiffdecoder.h"

#include "platform/imaging/decodedetail.h"
#include "platform/imaging/tifffile.h"
#include "platform/imaging/tifflab.h"
#include "platform/imaging/tiffsamples.h"
#include "platform/imaging/transform.h"

#include <cstring>

namespace pix::imaging {

namespace {

// What the first directory says, checked before any pixel memory is asked for.
struct Layout {
    std::uint32_t width = 0, height = 0;
    std::uint16_t samples = 1, bits = 1, orientation = ORIENTATION_TOPLEFT;
};

// A pixel with more samples than this is not a picture anyone paints; the bound keeps a
// hostile header from multiplying the size of every row.
constexpr std::uint16_t kMaxSamples = 8;

Status readLayout(TIFF* tiff, Layout& layout) {
    if (!TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &layout.width) ||
        !TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &layout.height))
        return Status::CorruptData;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &layout.samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &layout.bits);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ORIENTATION, &layout.orientation);
    if (!sizeAllowed(layout.width, layout.height))
        return layout.width == 0 || layout.height == 0 ? Status::CorruptData : Status::TooLarge;
    if (layout.samples == 0 || layout.samples > kMaxSamples || layout.bits == 0 || layout.bits > 32)
        return Status::CorruptData;
    return Status::Ok;
}

// The largest buffer the RGBA reader asks libtiff for: one strip or tile, of every plane when
// the samples are stored apart. libtiff does not bound every such allocation itself, and a
// decoder that finds its data short fills the rest of the buffer, so a strip the file cannot
// hold is refused here before anything is allocated.
Status checkBufferSize(TIFF* tiff, const Layout& layout, std::size_t fileSize) {
    std::uint16_t planar = PLANARCONFIG_CONTIG;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
    const std::uint64_t unit = TIFFIsTiled(tiff) ? TIFFTileSize64(tiff) : TIFFStripSize64(tiff);
    if (unit == 0)
        return Status::CorruptData;
    const std::uint64_t planes = planar == PLANARCONFIG_SEPARATE ? layout.samples : 1;
    if (unit * planes > std::uint64_t(tiff::allocationLimit(fileSize)))
        return Status::TooLarge;
    // The same bound on the whole picture: the data must be able to expand to it.
    const std::uint64_t pixels = std::uint64_t(layout.width) * layout.height;
    const std::uint64_t bits = pixels * layout.samples * layout.bits;
    return bits / 8 <= tiff::expansionLimit(fileSize) ? Status::Ok : Status::CorruptData;
}

QSize uprightSize(const Layout& layout) {
    return rotatedSize(int(layout.width), int(layout.height),
                       rotateFlipForOrientation(layout.orientation));
}

// libtiff's RGBA pixels hold R in the lowest byte; a QRgb holds B there.
void swapRedAndBlue(QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = row[x];
            row[x] = (p & 0xFF00FF00u) | ((p & 0xFFu) << 16) | ((p >> 16) & 0xFFu);
        }
    }
}

// Any layout libtiff's RGBA interface knows (palette, grey, RGB, CMYK, YCbCr, 1 to 16 bits, strips
// or tiles, contiguous or planar) into premultiplied 32-bit pixels, stored row order; the caller
// applies the orientation.
Status readRgba(TIFF* tiff, const Layout& layout, Picture& out) {
    char message[1024] = {};
    if (!TIFFRGBAImageOK(tiff, message)) {
        detail::noteDecodeDetail(detail::Severity::Error, message); // the layout it cannot read
        return Status::CorruptData;
    }
    TIFFRGBAImage reader;
    std::memset(&reader, 0, sizeof reader);
    if (!TIFFRGBAImageBegin(&reader, tiff, 1, message))
        return Status::CorruptData;
    // Rows as stored, top first: the orientation is applied afterwards, quarter turns included,
    // which libtiff does not do.
    reader.req_orientation = ORIENTATION_TOPLEFT;
    reader.orientation = ORIENTATION_TOPLEFT;
    const bool alpha = reader.alpha != 0;
    Picture picture;
    Status status = allocatePicture(int(layout.width), int(layout.height), alpha, picture);
    if (status == Status::Ok) {
        auto* raster = reinterpret_cast<std::uint32_t*>(picture.image().bits());
        if (!TIFFRGBAImageGet(&reader, raster, layout.width, layout.height))
            status = Status::CorruptData;
    }
    TIFFRGBAImageEnd(&reader);
    if (status != Status::Ok)
        return status;
    swapRedAndBlue(picture.image());
    out = std::move(picture);
    return Status::Ok;
}

std::uint16_t photometricOf(TIFF* tiff) {
    std::uint16_t photometric = 0;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PHOTOMETRIC, &photometric);
    return photometric;
}

tiff::SampleLayout sampleLayout(const Layout& layout) {
    return {layout.width, layout.height, layout.samples, layout.bits};
}

// Grey of 9 to 15 bits (scanners write 12), which the RGBA reader does not take: read strip by
// strip or tile by tile and scaled to 8 bits.
bool isDeepGrey(TIFF* tiff, const Layout& layout) {
    const std::uint16_t photometric = photometricOf(tiff);
    return (photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE) &&
           layout.samples == 1 && layout.bits > 8 && layout.bits < 16;
}

Status readDeepGrey(TIFF* tiff, const Layout& layout, Picture& out) {
    const bool inverted = photometricOf(tiff) == PHOTOMETRIC_MINISWHITE;
    Picture picture;
    Status status = allocatePicture(int(layout.width), int(layout.height), false, picture);
    if (status != Status::Ok)
        return status;
    QImage& image = picture.image();
    const std::uint32_t top = (1u << layout.bits) - 1;
    status = tiff::readSampleRows(
        tiff, sampleLayout(layout),
        [&](std::uint32_t x, std::uint32_t y, std::uint32_t count, const std::uint16_t* values) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(int(y)));
            for (std::uint32_t i = 0; i < count; ++i) {
                auto grey = int((values[i] * 255u + top / 2) / top);
                if (inverted)
                    grey = 255 - grey;
                row[x + i] = qRgb(grey, grey, grey);
            }
        });
    if (status == Status::Ok)
        out = std::move(picture);
    return status;
}

// The layouts read without libtiff's RGBA reader; every other one goes through it.
Status readPixels(TIFF* tiff, const Layout& layout, Picture& out) {
    if (photometricOf(tiff) == PHOTOMETRIC_CIELAB)
        return tiff::readLab(tiff, sampleLayout(layout), out);
    if (isDeepGrey(tiff, layout))
        return readDeepGrey(tiff, layout, out);
    return readRgba(tiff, layout, out);
}

} // namespace

bool isTiffData(const unsigned char* data, std::size_t size) {
    // Classic TIFF (42) and BigTIFF (43), either byte order.
    if (size < 4)
        return false;
    return std::memcmp(data, "II*\0", 4) == 0 || std::memcmp(data, "MM\0*", 4) == 0 ||
           std::memcmp(data, "II+\0", 4) == 0 || std::memcmp(data, "MM\0+", 4) == 0;
}

Status measureTiff(const unsigned char* data, std::size_t size, QSize& out) {
    const tiff::File file(data, size);
    if (!file.get())
        return Status::CorruptData;
    Layout layout;
    const Status status = readLayout(file.get(), layout);
    if (status == Status::Ok)
        out = uprightSize(layout);
    return status;
}

Status decodeTiff(const unsigned char* data, std::size_t size, Picture& out) {
    const tiff::File file(data, size);
    if (!file.get())
        return Status::CorruptData;
    Layout layout;
    Status status = readLayout(file.get(), layout);
    if (status == Status::Ok)
        status = checkBufferSize(file.get(), layout, size);
    Picture picture;
    if (status == Status::Ok)
        status = readPixels(file.get(), layout, picture);
    if (status == Status::Ok)
        status = rotateFlip(picture, rotateFlipForOrientation(layout.orientation));
    if (status == Status::Ok)
        out = std::move(picture);
    return status;
}

} // namespace pix::imaging
