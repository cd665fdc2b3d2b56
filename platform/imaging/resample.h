// Scaling 32-bit pictures: area averaging where a side shrinks, bilinear where it grows.
#pragma once

#include <QImage>
#include <QRectF>

namespace pix::imaging {

// A new image of width x height in the source's format (RGB32 or ARGB32_Premultiplied); a null
// image when the allocation fails. Colours are averaged premultiplied, so transparent pixels
// leave no dark fringes.
QImage resampleImage(const QImage& source, int width, int height);

// The same, from the part `area` of the source's pixel grid (fractions of a pixel allowed)
// instead of the whole.
QImage resampleImage(const QImage& source, const QRectF& area, int width, int height);

} // namespace pix::imaging
