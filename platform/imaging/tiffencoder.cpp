// TIFF encoding through libtiff, on top of a QIODevice (TIFF writing needs to seek).
#include "platform/imaging/tiffencoder.h"

#include "platform/imaging/metadataedit.h"

#include <QBuffer>

#include <mutex>
#include <tiffio.h>
#include <vector>

namespace pix::imaging {

namespace {

QIODevice* deviceOf(thandle_t handle) {
    return static_cast<QIODevice*>(handle);
}

tmsize_t readProc(thandle_t h, void* buf, tmsize_t size) {
    return tmsize_t(deviceOf(h)->read(static_cast<char*>(buf), qint64(size)));
}
tmsize_t writeProc(thandle_t h, void* buf, tmsize_t size) {
    try { // no exception may cross libtiff's C frames
        return tmsize_t(deviceOf(h)->write(static_cast<const char*>(buf), qint64(size)));
    } catch (...) {
        return -1;
    }
}
toff_t seekProc(thandle_t h, toff_t offset, int whence) {
    QIODevice* device = deviceOf(h);
    qint64 base = 0;
    if (whence == SEEK_CUR)
        base = device->pos();
    else if (whence == SEEK_END)
        base = device->size();
    const qint64 target = base + qint64(offset);
    if (target < 0)
        return toff_t(-1);
    // Seeking past the end of a file being written extends it on the next write.
    return device->seek(target) ? toff_t(target) : toff_t(-1);
}
int closeProc(thandle_t) {
    return 0;
}
toff_t sizeProc(thandle_t h) {
    return toff_t(deviceOf(h)->size());
}
int mapProc(thandle_t, void**, toff_t*) {
    return 0;
}
void unmapProc(thandle_t, void*, toff_t) {}

// libtiff prints warnings and errors to stderr by default; the status says what went wrong.
void silence(const char*, const char*, va_list) {}

void setTags(TIFF* tiff, const QImage& image, bool alpha) {
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, std::uint32_t(image.width()));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, std::uint32_t(image.height()));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, alpha ? 4 : 3);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tiff, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(tiff, TIFFTAG_XRESOLUTION, 96.0);
    TIFFSetField(tiff, TIFFTAG_YRESOLUTION, 96.0);
    if (alpha) {
        const std::uint16_t extra = EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
}

// The profile, XMP packet and IPTC records as their tags. EXIF is spread over the first
// directory and directories of its own; exiv2 adds it to the finished file.
void setMetadataTags(TIFF* tiff, const PictureMetadata& m) {
    if (!m.iccProfile.isEmpty())
        TIFFSetField(tiff, TIFFTAG_ICCPROFILE, std::uint32_t(m.iccProfile.size()),
                     m.iccProfile.constData());
    if (!m.xmp.isEmpty())
        TIFFSetField(tiff, TIFFTAG_XMLPACKET, std::uint32_t(m.xmp.size()), m.xmp.constData());
    if (!m.iptc.isEmpty())
        TIFFSetField(tiff, TIFFTAG_RICHTIFFIPTC, std::uint32_t(m.iptc.size()), m.iptc.constData());
}

// Straight ARGB pixels to R, G, B(, A) bytes.
void packRow(const QRgb* src, int width, bool alpha, unsigned char* out) {
    for (int x = 0; x < width; ++x) {
        *out++ = std::uint8_t(qRed(src[x]));
        *out++ = std::uint8_t(qGreen(src[x]));
        *out++ = std::uint8_t(qBlue(src[x]));
        if (alpha)
            *out++ = std::uint8_t(qAlpha(src[x]));
    }
}

Status writeTiff(const Picture& picture, QIODevice& device) {
    if (picture.isNull())
        return Status::InvalidParameter;
    const bool alpha = picture.hasAlpha() && hasTranslucentPixels(picture.image());
    const QImage image = alpha ? picture.toStraightArgb() : picture.image();
    if (image.isNull())
        return Status::OutOfMemory;
    static std::once_flag once;
    std::call_once(once, [] {
        TIFFSetWarningHandler(silence);
        TIFFSetErrorHandler(silence);
    });
    TIFF* tiff = TIFFClientOpen("output", "w", &device, readProc, writeProc, seekProc, closeProc,
                                sizeProc, mapProc, unmapProc);
    if (!tiff)
        return Status::WriteFailed;
    setTags(tiff, image, alpha);
    setMetadataTags(tiff, picture.metadata());
    std::vector<unsigned char> row(std::size_t(image.width()) * (alpha ? 4 : 3));
    bool ok = true;
    for (int y = 0; ok && y < image.height(); ++y) {
        packRow(reinterpret_cast<const QRgb*>(image.constScanLine(y)), image.width(), alpha,
                row.data());
        ok = TIFFWriteScanline(tiff, row.data(), std::uint32_t(y), 0) == 1;
    }
    ok = ok && TIFFWriteDirectory(tiff) == 1;
    TIFFClose(tiff);
    return ok ? Status::Ok : Status::WriteFailed;
}

} // namespace

Status encodeTiff(const Picture& picture, QIODevice& device) {
    const QByteArray& exif = picture.metadata().exif;
    if (exif.isEmpty())
        return writeTiff(picture, device);
    QByteArray file;
    QBuffer buffer(&file);
    buffer.open(QIODevice::ReadWrite);
    const Status status = writeTiff(picture, buffer);
    if (status != Status::Ok)
        return status;
    buffer.close();
    metadata::addExifToTiff(file, exif); // without it, the file keeps everything else
    return device.write(file) == file.size() ? Status::Ok : Status::WriteFailed;
}

} // namespace pix::imaging
