// Writes small PNG files with libpng in every colour type, depth and interlace the decoder must
// read, from rows of stored bytes.
#pragma once

#include <QByteArray>
#include <cstdint>
#include <optional>
#include <vector>

namespace pix::imaging::test {

struct PngShape {
    int width = 13, height = 7; // odd, so that every interlace pass is partial
    int colourType = 2;         // PNG_COLOR_TYPE_*
    int depth = 8;
    bool interlaced = false;
    std::vector<std::uint8_t> palette; // R, G, B triples, for colour type 3
    std::vector<std::uint8_t> alphas;  // tRNS of a palette picture
    std::optional<std::uint16_t> transparentGrey;
    std::optional<std::uint16_t> transparentRgb[3];
    // The stored bytes of every row, as libpng expects them (big-endian samples, packed bits).
    std::vector<std::vector<std::uint8_t>> rows;
};

// The bytes of a row of the shape's width, colour type and depth.
std::size_t pngRowBytes(const PngShape& shape);

// Fills the rows with pseudo-random bytes from the seed (palette indices stay within the palette
// when it has 2^depth entries).
void fillRandomRows(PngShape& shape, std::uint32_t seed);

// A shape of the colour type and depth with random rows; palettes are full and random, and a
// transparent colour, when asked for, is one the rows use.
PngShape randomShape(int colourType, int depth, bool transparency, bool interlaced, int width = 13,
                     int height = 7);

QByteArray writePng(const PngShape& shape);

} // namespace pix::imaging::test
