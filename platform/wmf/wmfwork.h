// What drawing costs: estimates of the rasterizer's work for each drawing call, so that a
// metafile is weighed before any of it is drawn. The unit is about a nanosecond of drawing on
// a current processor; the figures come from timing QPainter's raster engine.
#pragma once

#include <QPainterPath>
#include <QRectF>
#include <QSize>

namespace pix::wmf {

// The most work one playback may take: a few seconds. A metafile that needs more at the size
// it is drawn at is refused before anything is drawn.
inline constexpr double WorkBudget = 8e9;
// Every drawing call: the painter's state changes and set-up.
inline constexpr double CallWork = 1000;

// The pixels of the rectangle that lie on a target of this size.
double areaOn(const QRectF& rect, QSize target);

// How a path's edges (curves by their control points, every subpath closed) cross the rows of
// the target, summed over the rows: the edges crossing each row, their square, and the square
// of those beyond the two of a simple shape.
struct EdgeCrossings {
    double edges = 0;
    double squares = 0;
    double beyondTwo = 0;
};
EdgeCrossings edgeCrossings(const QPainterPath& path, QSize target);

// Whether a path may be drawn with antialiased edges, and the work of scan converting it. The
// aliased rasterizer sorts the edges crossing each row: its work grows with their square. The
// antialiasing one is cheap for simple shapes and very dear for many crossing edges (a star of
// 64 points over 4000 rows takes it seconds), so such a path is drawn with aliased edges.
bool smoothEdges(const EdgeCrossings& crossings);
double edgeWork(const EdgeCrossings& crossings, bool smooth);

} // namespace pix::wmf
