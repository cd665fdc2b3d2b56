// Block transfers: bitmaps and brush fills combined with the target by a ternary raster
// operation, approximated on a target that starts out transparent.
#pragma once

#include <QImage>
#include <QRectF>
#include <cstdint>

namespace pix::wmf {

class Context;

// Draws `source` stretched into `dest` (target pixels; a negative width or height mirrors it).
void blitImage(Context& context, const QRectF& dest, QImage source, std::uint32_t rop);

// A transfer without a source bitmap: pattern, solid black or white, or inversion.
void blitPattern(Context& context, const QRectF& dest, std::uint32_t rop);

// Whether the raster operation reads the source bitmap.
bool usesSource(std::uint32_t rop);

} // namespace pix::wmf
