#include "imaging/pngbuilder.h"

#include <csetjmp>
#include <png.h>

namespace pix::imaging::test {

namespace {

int channelsOf(int colourType) {
    switch (colourType) {
    case PNG_COLOR_TYPE_RGB:
        return 3;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        return 2;
    case PNG_COLOR_TYPE_RGB_ALPHA:
        return 4;
    default:
        return 1;
    }
}

void append(png_structp png, png_bytep data, std::size_t length) {
    static_cast<QByteArray*>(png_get_io_ptr(png))
        ->append(reinterpret_cast<const char*>(data), qsizetype(length));
}

void flushNothing(png_structp) {}

// Everything libpng is asked to do, with the jump buffer set by the caller.
void writeAll(png_structp png, png_infop info, const PngShape& shape, png_color_16& transparent) {
    png_set_IHDR(png, info, png_uint_32(shape.width), png_uint_32(shape.height), shape.depth,
                 shape.colourType, shape.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!shape.palette.empty())
        png_set_PLTE(png, info, reinterpret_cast<png_const_colorp>(shape.palette.data()),
                     int(shape.palette.size() / 3));
    if (!shape.alphas.empty())
        png_set_tRNS(png, info, shape.alphas.data(), int(shape.alphas.size()), nullptr);
    if (shape.transparentGrey) {
        transparent.gray = *shape.transparentGrey;
        png_set_tRNS(png, info, nullptr, 0, &transparent);
    }
    if (shape.transparentRgb[0]) {
        transparent.red = *shape.transparentRgb[0];
        transparent.green = *shape.transparentRgb[1];
        transparent.blue = *shape.transparentRgb[2];
        png_set_tRNS(png, info, nullptr, 0, &transparent);
    }
    png_write_info(png, info);
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass)
        for (const std::vector<std::uint8_t>& row : shape.rows)
            png_write_row(png, row.data());
    png_write_end(png, info);
}

bool writeWithJump(png_structp png, png_infop info, const PngShape& shape,
                   png_color_16& transparent) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    writeAll(png, info, shape, transparent);
    return true;
}

} // namespace

std::size_t pngRowBytes(const PngShape& shape) {
    return (std::size_t(shape.width) * std::size_t(channelsOf(shape.colourType) * shape.depth) +
            7) /
           8;
}

void fillRandomRows(PngShape& shape, std::uint32_t seed) {
    shape.rows.assign(std::size_t(shape.height), std::vector<std::uint8_t>(pngRowBytes(shape)));
    for (std::vector<std::uint8_t>& row : shape.rows)
        for (std::uint8_t& byte : row) {
            seed = seed * 1664525u + 1013904223u;
            byte = std::uint8_t(seed >> 24);
        }
}

// A shape of the colour type and depth with random rows; palettes are full and random, and a
// transparent colour, when asked for, is one the rows use.
PngShape randomShape(int colourType, int depth, bool transparency, bool interlaced, int width,
                     int height) {
    PngShape s;
    s.width = width;
    s.height = height;
    s.colourType = colourType;
    s.depth = depth;
    s.interlaced = interlaced;
    fillRandomRows(s, std::uint32_t(colourType * 1000 + depth * 10 + interlaced));
    const std::vector<std::uint8_t>& first = s.rows[0];
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        PngShape colours;
        colours.width = 3 << depth;
        colours.height = 1;
        colours.colourType = PNG_COLOR_TYPE_GRAY;
        fillRandomRows(colours, std::uint32_t(depth));
        s.palette = colours.rows[0];
        if (transparency) // fewer alphas than colours: the rest are opaque
            s.alphas.assign(colours.rows[0].begin(), colours.rows[0].begin() + (1 << depth) / 2);
    } else if (transparency && colourType == PNG_COLOR_TYPE_GRAY) {
        s.transparentGrey = depth == 16 ? std::uint16_t(first[0] << 8 | first[1])
                                        : std::uint16_t(first[0] >> (8 - depth));
    } else if (transparency && colourType == PNG_COLOR_TYPE_RGB) {
        for (int c = 0; c < 3; ++c)
            s.transparentRgb[c] =
                depth == 16 ? std::uint16_t(first[2 * c] << 8 | first[2 * c + 1]) : first[c];
    }
    return s;
}

QByteArray writePng(const PngShape& shape) {
    QByteArray bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return {};
    }
    png_set_write_fn(png, &bytes, append, flushNothing);
    png_set_check_for_invalid_index(png, 0); // palette indices beyond the palette are written
    png_color_16 transparent{};
    const bool ok = writeWithJump(png, info, shape, transparent);
    png_destroy_write_struct(&png, &info);
    return ok ? bytes : QByteArray();
}

} // namespace pix::imaging::test
