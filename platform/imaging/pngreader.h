// A PNG in memory read with libpng. libpng reports a fatal error by jumping back to the function
// that set its jump buffer, so every call into it happens in a function of this file whose
// locals are plain values: the jump skips no destructor. What those functions need to survive a
// jump lives in the reader, which the caller owns.
#pragma once

#include <QImage>
#include <cstddef>
#include <png.h>

namespace pix::imaging::png {

// How the rows are stored: the picture format they are read into and, for Mono and Indexed8,
// its colour table.
struct Layout {
    png_uint_32 width = 0, height = 0;
    QImage::Format format = QImage::Format_Invalid;
    int colourCount = 0;
    QRgb colours[256] = {};
    int passes = 1;
    std::size_t rowBytes = 0;
    // For a palette picture of 2 to 8 bits, the palette's size: an index beyond it in the rows
    // stands for the first colour. Every other picture uses its whole colour table.
    int paletteIndexLimit = 256;
};

class Reader {
public:
    Reader(const unsigned char* data, std::size_t size);
    ~Reader();
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    // False when libpng could not be set up (no memory).
    bool valid() const { return png_ && info_; }

    // Reads the chunks before the pixels; false on an error.
    bool readInfo();
    // The picture's size from the header read by readInfo.
    png_uint_32 width() const;
    png_uint_32 height() const;
    // Leaves out the check of the inflated image data against its Adler-32 sum (before
    // prepare); each chunk's CRC still guards the stored bytes.
    void skipImageDataChecksum();
    // Sets up the transformations that give rows in the layout's format; false on an error.
    // plainRgb: 8-bit RGB and RGBA pictures without a transparent colour keep their own
    // sample order (Format_RGB888, Format_RGBA8888 with straight alpha), for a reader that
    // averages them itself and need not pay for reordering every pixel.
    bool prepare(Layout& layout, bool plainRgb = false);
    // Reads every row (every pass of an interlaced picture) and the chunks after them into
    // rows of stride bytes; false on an error.
    bool readPixels(unsigned char* bits, std::size_t stride, const Layout& layout);

    // Called with each complete row as it is read and its row number; it must not call libpng.
    using RowSink = void (*)(void* context, const unsigned char* row, png_uint_32 y);
    // Reads the rows one at a time into row (rowBytes long) and hands each to sink, then the
    // chunks after them; false on an error. Of an interlaced picture only the odd rows come
    // whole, in its last pass: the earlier passes are decoded and dropped, so that no more than
    // one row is ever held.
    bool streamRows(unsigned char* row, const Layout& layout, RowSink sink, void* context);

private:
    struct Source {
        const unsigned char* data;
        std::size_t size;
        std::size_t position;
    };
    static void read(png_structp png, png_bytep out, std::size_t length);

    Source source_;
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

} // namespace pix::imaging::png
