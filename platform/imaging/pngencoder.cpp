// PNG encoding through libpng, streamed into a QIODevice.
#include "platform/imaging/pngencoder.h"

#include <png.h>

namespace pix::imaging {

namespace {

void writeData(png_structp png, png_bytep data, png_size_t length) {
    auto* device = static_cast<QIODevice*>(png_get_io_ptr(png));
    bool written = false;
    try { // no exception may cross libpng's C frames
        written =
            device->write(reinterpret_cast<const char*>(data), qint64(length)) == qint64(length);
    } catch (...) {
    }
    if (!written)
        png_error(png, "write failed");
}

void flushData(png_structp) {}

// The libpng calls, between setjmp and the end with only trivially destructible locals, so
// that a longjmp from png_error skips no destructor.
bool writePng(png_structp png, png_infop info, const QImage& image, bool alpha, QIODevice& device) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_write_fn(png, &device, writeData, flushData);
    png_set_IHDR(png, info, png_uint_32(image.width()), png_uint_32(image.height()), 8,
                 alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 6);
    png_write_info(png, info);
    png_set_bgr(png); // QRgb lies in memory as B, G, R, A
    if (!alpha)
        png_set_filler(png, 0, PNG_FILLER_AFTER); // drop the unused fourth byte
    for (int y = 0; y < image.height(); ++y)
        png_write_row(png, const_cast<png_bytep>(image.constScanLine(y)));
    png_write_end(png, info);
    return true;
}

} // namespace

Status encodePng(const Picture& picture, QIODevice& device) {
    if (picture.isNull())
        return Status::InvalidParameter;
    const bool alpha = picture.hasAlpha() && hasTranslucentPixels(picture.image());
    const QImage image = alpha ? picture.toStraightArgb() : picture.image();
    if (image.isNull())
        return Status::OutOfMemory;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png)
        return Status::OutOfMemory;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return Status::OutOfMemory;
    }
    const bool ok = writePng(png, info, image, alpha, device);
    png_destroy_write_struct(&png, &info);
    return ok ? Status::Ok : Status::WriteFailed;
}

} // namespace pix::imaging
