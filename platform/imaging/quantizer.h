// Colour reduction for palette formats.
#pragma once

#include "platform/imaging/status.h"

#include <QImage>
#include <QRgb>
#include <cstdint>
#include <vector>

namespace pix::imaging {

// The colours of a palette picture. transparentIndex is the entry that stands for fully
// transparent pixels, or -1 when the picture has none.
struct Palette {
    std::vector<QRgb> colours;
    int transparentIndex = -1;
};

// Reduces a picture with straight alpha (Format_ARGB32; Format_RGB32 is taken as opaque) to at
// most maxColours entries (clamped to 2..256) and one index per pixel, row by row without
// padding. Fully transparent pixels map to an entry of their own; every other pixel is taken as
// opaque. A picture that fits in the palette is kept exactly; otherwise the palette adapts to the
// picture and the error is diffused to the neighbouring pixels (Floyd-Steinberg, serpentine).
Status quantize(const QImage& straightArgb, int maxColours, Palette& palette,
                std::vector<std::uint8_t>& indices);

} // namespace pix::imaging
