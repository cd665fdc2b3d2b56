// Drawing shapes on the target with the device context's pen, brush and modes. Geometry is
// given in target pixels; the painter itself is never transformed.
#pragma once

#include <QBrush>
#include <QPen>

class QPainterPath;
class QRectF;

namespace pix::wmf {

class Context;

// The selected pen at its width in target pixels (never thinner than one pixel).
QPen devicePen(const Context& context);
// The selected brush; hatches and patterns are laid out in target pixels.
QBrush deviceBrush(const Context& context);
Qt::FillRule fillRule(const Context& context);

// Outlines the path with the pen and, when `fill` is set, fills it with the brush, honouring
// the binary raster operation, the background mode and the clip.
void paintPath(Context& context, const QPainterPath& path, bool fill);
// Fills a rectangle with a brush, ignoring the pen.
void fillRect(Context& context, const QRectF& rect, const QBrush& brush);

} // namespace pix::wmf
