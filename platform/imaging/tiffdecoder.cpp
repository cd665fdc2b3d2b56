#include "platform/imaging/tiffdecoder.h"

#include "platform/imaging/colourprofile.h"
#include "platform/imaging/decodedetail.h"
#include "platform/imaging/metadataedit.h"
#include "platform/imaging/tiffdeep.h"
#include "platform/imaging/tifffile.h"
#include "platform/imaging/tifflab.h"
#include "platform/imaging/tiffsamples.h"
#include "platform/imaging/transform.h"

#include <cstdio>
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
    if (layout.samples == 0 || layout.samples > kMaxSamples || layout.bits == 0 || layout.bits > 64)
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
    if (!TIFFRGBAImageBegin(&reader, tiff, 1, message)) {
        detail::noteDecodeDetail(detail::Severity::Error, message);
        return Status::CorruptData;
    }
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

// Layouts no reader here takes, refused with the reason: libtiff's JPEG codec reads samples of 8
// (or 12) bits, and floats come in 16 or 32 bits, integers in up to 32.
bool refuses(TIFF* tiff, const Layout& layout) {
    std::uint16_t compression = COMPRESSION_NONE, format = SAMPLEFORMAT_UINT;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &format);
    char reason[160];
    if ((compression == COMPRESSION_JPEG || compression == COMPRESSION_OJPEG) && layout.bits > 12)
        std::snprintf(reason, sizeof reason,
                      "JPEG-compressed TIFF with %u-bit samples: libtiff reads JPEG data of 8 "
                      "bits a sample",
                      unsigned(layout.bits));
    else if (format == SAMPLEFORMAT_IEEEFP && layout.bits != 16 && layout.bits != 32)
        std::snprintf(reason, sizeof reason,
                      "%u-bit floating-point samples are not read, only 16- and 32-bit ones",
                      unsigned(layout.bits));
    else if (layout.bits > 32)
        std::snprintf(reason, sizeof reason, "%u-bit samples are not read, 32 bits at most",
                      unsigned(layout.bits));
    else
        return false;
    detail::noteDecodeDetail(detail::Severity::Error, reason);
    return true;
}

// The layouts read without libtiff's RGBA reader; every other one goes through it.
Status readPixels(TIFF* tiff, const Layout& layout, Picture& out) {
    if (refuses(tiff, layout))
        return Status::UnknownImageFormat;
    if (photometricOf(tiff) == PHOTOMETRIC_CIELAB || photometricOf(tiff) == PHOTOMETRIC_ICCLAB)
        return tiff::readLab(tiff, sampleLayout(layout), out);
    if (tiff::isDeepLayout(tiff, sampleLayout(layout)))
        return tiff::readDeepSamples(tiff, sampleLayout(layout), out);
    return readRgba(tiff, layout, out);
}

// The bytes of a tag holding a block (an ICC profile, an XMP packet, IPTC records), whatever the
// type the file stores it as; empty when it is missing or larger than the limit.
QByteArray blockTag(TIFF* tiff, std::uint32_t tag, std::size_t limit) {
    const TIFFField* field = TIFFFieldWithTag(tiff, tag);
    std::uint32_t count = 0;
    const void* data = nullptr;
    if (!field || !TIFFGetField(tiff, tag, &count, &data) || !data)
        return {};
    const std::uint64_t bytes = std::uint64_t(count) * TIFFDataWidth(TIFFFieldDataType(field));
    if (bytes == 0 || bytes > limit)
        return {};
    return QByteArray(static_cast<const char*>(data), qsizetype(bytes));
}

PictureMetadata readMetadata(TIFF* tiff, const unsigned char* data, std::size_t size) {
    PictureMetadata m;
    m.iccProfile = blockTag(tiff, TIFFTAG_ICCPROFILE, colour::kMaxProfileBytes);
    m.xmp = blockTag(tiff, TIFFTAG_XMLPACKET, metadata::kMaxBlockBytes);
    m.iptc = blockTag(tiff, TIFFTAG_RICHTIFFIPTC, metadata::kMaxBlockBytes);
    m.exif = metadata::exifOfTiff(data, size);
    return m;
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
    if (status == Status::Ok) {
        picture.metadata() = readMetadata(file.get(), data, size);
        out = std::move(picture);
    }
    return status;
}

} // namespace pix::imaging
