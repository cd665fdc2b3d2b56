// Rows of the byte layouts codec libraries hand out, turned into the picture's 32-bit pixels.
#pragma once

#include <QRgb>
#include <cstdint>

namespace pix::imaging {

// What the fourth sample of a row means, and so how it reaches the picture.
enum class RowAlpha {
    None,          // no alpha: the pixels are opaque (a fourth sample is ignored)
    Straight,      // straight alpha: premultiplied on the way
    Premultiplied, // the colours are premultiplied already
};

// `count` pixels of 8-bit samples in R, G, B order, with A after them when `channels` is 4.
void rowToPixels(const std::uint8_t* samples, int channels, int count, RowAlpha alpha, QRgb* out);

// The same for samples of more than 8 bits (up to `maxValue`, at most 65535) held in 16 bits:
// each is rounded to the nearest of the 256 levels, not cut to its high bits.
void row16ToPixels(const std::uint16_t* samples, int channels, int maxValue, int count,
                   RowAlpha alpha, QRgb* out);

} // namespace pix::imaging
