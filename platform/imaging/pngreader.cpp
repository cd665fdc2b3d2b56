#include "platform/imaging/pngreader.h"

#include "platform/imaging/decodedetail.h"

#include <csetjmp>
#include <cstring>

namespace pix::imaging::png {

namespace {

// libpng's messages become the decode's detail; nothing is printed.
[[noreturn]] void onError(png_structp png, png_const_charp message) {
    detail::noteDecodeDetail(detail::Severity::Error, message);
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp message) {
    detail::noteDecodeDetail(detail::Severity::Warning, message);
}

// Runs work, which calls libpng, with the jump buffer set: false when libpng reported an error.
// The work's own locals must be plain values.
template <typename Work> bool withJump(png_structp png, Work work) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    work();
    return true;
}

// The row formats below are those Qt's reader chose for each kind of PNG, so that pictures keep
// the pixels they decoded to before: a grey or palette picture as a colour table, 16-bit data
// as 64-bit pixels, the rest as 32-bit ones. Rows come as QImage lays them out on a
// little-endian machine: B, G, R, A bytes, and 16-bit samples low byte first.
void greyLayout(png_structp png, png_infop info, int depth, Layout& layout) {
    png_bytep alphas = nullptr;
    int alphaCount = 0;
    png_color_16p transparent = nullptr;
    const bool hasTrns =
        png_get_tRNS(png, info, &alphas, &alphaCount, &transparent) != 0 && transparent != nullptr;
    // A transparent grey beyond the depth (libpng warns "tRNS chunk has out-of-range samples")
    // stands for its low bits, as libpng's own expansion and other readers take it.
    const unsigned transparentGrey =
        hasTrns ? transparent->gray & (depth < 16 ? (1u << depth) - 1 : 0xFFFFu) : 0;
    if (depth == 1 && png_get_channels(png, info) == 1) {
        png_set_invert_mono(png); // 1 is black in Mono's table below
        layout.format = QImage::Format_Mono;
        layout.colourCount = 2;
        layout.colours[0] = qRgb(255, 255, 255);
        layout.colours[1] = qRgb(0, 0, 0);
        if (hasTrns)
            layout.colours[1 - transparentGrey] = 0;
    } else if (depth == 16 && hasTrns) {
        png_set_expand(png);
        png_set_gray_to_rgb(png);
        png_set_swap(png);
        layout.format = QImage::Format_RGBA64;
    } else if (depth == 16) {
        png_set_swap(png);
        layout.format = QImage::Format_Grayscale16;
    } else if (depth == 8 && !hasTrns) {
        layout.format = QImage::Format_Grayscale8;
    } else {
        if (depth < 8)
            png_set_packing(png);
        const int count = depth < 8 ? 1 << depth : 256;
        layout.format = QImage::Format_Indexed8;
        layout.colourCount = count;
        for (int i = 0; i < count; ++i) {
            const int c = i * 255 / (count - 1);
            layout.colours[i] = qRgb(c, c, c);
        }
        if (hasTrns)
            layout.colours[transparentGrey] = 0;
    }
}

void paletteLayout(png_structp png, png_infop info, int depth, png_colorp palette, int count,
                   Layout& layout) {
    if (depth != 1)
        png_set_packing(png);
    layout.format = depth == 1 ? QImage::Format_Mono : QImage::Format_Indexed8;
    if (depth != 1)
        layout.paletteIndexLimit = count;
    // A one-bit picture has two colours even when the palette has one; the other stays white,
    // as in a new Mono picture.
    layout.colourCount = depth == 1 ? 2 : count;
    layout.colours[0] = qRgb(0, 0, 0);
    layout.colours[1] = qRgb(255, 255, 255);
    png_bytep alphas = nullptr;
    int alphaCount = 0;
    png_color_16p transparent = nullptr;
    if (png_get_tRNS(png, info, &alphas, &alphaCount, &transparent) == 0 || alphas == nullptr)
        alphaCount = 0;
    for (int i = 0; i < count && i < layout.colourCount; ++i) {
        const int alpha = i < alphaCount ? alphas[i] : 255;
        layout.colours[i] = qRgba(palette[i].red, palette[i].green, palette[i].blue, alpha);
    }
}

void deepLayout(png_structp png, png_infop info, int colourType, Layout& layout) {
    const bool hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    layout.format = QImage::Format_RGBA64;
    // A transparent colour becomes alpha. (Qt's reader left this out for RGB and read three
    // samples a pixel as four, scrambling the rows.)
    if (hasTrns)
        png_set_expand(png);
    else if (!(colourType & PNG_COLOR_MASK_ALPHA)) {
        png_set_filler(png, 0xFFFF, PNG_FILLER_AFTER);
        layout.format = QImage::Format_RGBX64;
    }
    if (!(colourType & PNG_COLOR_MASK_COLOR))
        png_set_gray_to_rgb(png);
    png_set_swap(png);
}

void trueColourLayout(png_structp png, png_infop info, int depth, int colourType, Layout& layout) {
    if (depth == 16)
        png_set_strip_16(png);
    png_set_expand(png);
    if (colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    layout.format = QImage::Format_ARGB32;
    if (!(colourType & PNG_COLOR_MASK_ALPHA) && !png_get_valid(png, info, PNG_INFO_tRNS)) {
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
        layout.format = QImage::Format_RGB32;
    }
    png_set_bgr(png);
}

// The rows as stored, when they are 8-bit RGB or RGBA; false for every other kind.
bool plainRgbLayout(png_structp png, png_infop info, int depth, int colourType, Layout& layout) {
    if (depth != 8 || png_get_valid(png, info, PNG_INFO_tRNS) != 0)
        return false;
    if (colourType == PNG_COLOR_TYPE_RGB)
        layout.format = QImage::Format_RGB888;
    else if (colourType == PNG_COLOR_TYPE_RGB_ALPHA)
        layout.format = QImage::Format_RGBA8888;
    else
        return false;
    return true;
}

void chooseLayout(png_structp png, png_infop info, bool plainRgb, Layout& layout) {
    int depth = 0, colourType = 0;
    png_get_IHDR(png, info, &layout.width, &layout.height, &depth, &colourType, nullptr, nullptr,
                 nullptr);
    layout.passes = png_set_interlace_handling(png);
    png_colorp palette = nullptr;
    int paletteCount = 0;
    if (colourType == PNG_COLOR_TYPE_GRAY)
        greyLayout(png, info, depth, layout);
    else if (colourType == PNG_COLOR_TYPE_PALETTE &&
             png_get_PLTE(png, info, &palette, &paletteCount) != 0 && paletteCount <= 256)
        paletteLayout(png, info, depth, palette, paletteCount, layout);
    else if (depth == 16)
        deepLayout(png, info, colourType, layout);
    else if (!plainRgb || !plainRgbLayout(png, info, depth, colourType, layout))
        trueColourLayout(png, info, depth, colourType, layout);
    png_read_update_info(png, info);
    layout.rowBytes = png_get_rowbytes(png, info);
}

} // namespace

Reader::Reader(const unsigned char* data, std::size_t size) : source_{data, size, 0} {
    png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
    if (!png_)
        return;
    info_ = png_create_info_struct(png_);
    if (!info_)
        return;
    png_set_read_fn(png_, &source_, read);
    // Some writers set a smaller deflate window than they used; libpng then reports "invalid
    // distance too far back". Reading with the largest window decodes those files.
    png_set_option(png_, PNG_MAXIMUM_INFLATE_WINDOW, PNG_OPTION_ON);
}

Reader::~Reader() {
    png_destroy_read_struct(&png_, info_ ? &info_ : nullptr, nullptr);
}

bool Reader::readInfo() {
    return withJump(png_, [this] { png_read_info(png_, info_); });
}

png_uint_32 Reader::width() const {
    return png_get_image_width(png_, info_);
}

png_uint_32 Reader::height() const {
    return png_get_image_height(png_, info_);
}

void Reader::skipImageDataChecksum() {
    png_set_option(png_, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
}

bool Reader::prepare(Layout& layout, bool plainRgb) {
    return withJump(png_, [&] { chooseLayout(png_, info_, plainRgb, layout); });
}

bool Reader::readPixels(unsigned char* bits, std::size_t stride, const Layout& layout) {
    return withJump(png_, [&] {
        for (int pass = 0; pass < layout.passes; ++pass)
            for (png_uint_32 y = 0; y < layout.height; ++y)
                png_read_row(png_, bits + std::size_t(y) * stride, nullptr);
        png_read_end(png_, info_); // checks the chunks after the pixels up to IEND
    });
}

bool Reader::streamRows(unsigned char* row, const Layout& layout, RowSink sink, void* context) {
    return withJump(png_, [&] {
        // Passes before the last spread their pixels over rows that only later passes complete;
        // they are decoded into nothing. The last pass of Adam7 fills the odd rows whole.
        for (int pass = 0; pass + 1 < layout.passes; ++pass)
            for (png_uint_32 y = 0; y < layout.height; ++y)
                png_read_row(png_, nullptr, nullptr);
        const bool interlaced = layout.passes > 1;
        for (png_uint_32 y = 0; y < layout.height; ++y) {
            png_read_row(png_, row, nullptr);
            if (!interlaced || (y & 1) != 0)
                sink(context, row, y);
        }
        png_read_end(png_, info_);
    });
}

void Reader::read(png_structp png, png_bytep out, std::size_t length) {
    auto* s = static_cast<Source*>(png_get_io_ptr(png));
    if (length > s->size - s->position)
        png_error(png, "unexpected end of data");
    std::memcpy(out, s->data + s->position, length);
    s->position += length;
}

} // namespace pix::imaging::png
