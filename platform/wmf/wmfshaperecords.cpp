// Records that draw lines and shapes with the selected pen and brush.
#include "platform/wmf/wmfcanvas.h"
#include "platform/wmf/wmfcontext.h"
#include "platform/wmf/wmfhandlers.h"
#include "platform/wmf/wmfraster.h"
#include "platform/wmf/wmfrecord.h"

#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace pix::wmf {

namespace {

// Bottom, right, top, left from `index` on.
QRectF boxAt(const Record& r, std::size_t index) {
    return QRectF(QPointF(r.s16(index + 3), r.s16(index + 2)),
                  QPointF(r.s16(index + 1), r.s16(index)));
}

// `count` points of x, y pairs from word `index` on, mapped to target pixels.
QPolygonF pointsAt(const Context& c, const Record& r, std::size_t index, std::size_t count) {
    const QTransform t = c.transform();
    QPolygonF points;
    points.reserve(qsizetype(count));
    for (std::size_t i = 0; i < count; ++i)
        points.append(t.map(QPointF(r.s16(index + 2 * i), r.s16(index + 2 * i + 1))));
    return points;
}

bool moveTo(Context& c, const Record& r) {
    c.dc.position = r.point(0);
    return true;
}

bool lineTo(Context& c, const Record& r) {
    const QPointF to = r.point(0);
    if (c.ready()) {
        QPainterPath path(c.map(c.dc.position));
        path.lineTo(c.map(to));
        paintPath(c, path, false);
    }
    c.dc.position = to;
    return true;
}

// A point count followed by that many points; answers false when they overrun the record.
bool polyPoints(const Record& r, std::size_t& count) {
    const int n = r.s16(0);
    if (n < 0 || !r.has(1 + 2 * std::size_t(n)))
        return false;
    count = std::size_t(n);
    return true;
}

bool polyline(Context& c, const Record& r) {
    std::size_t count = 0;
    if (!polyPoints(r, count))
        return false;
    if (count >= 2 && c.ready()) {
        QPainterPath path;
        path.addPolygon(pointsAt(c, r, 1, count));
        paintPath(c, path, false);
    }
    return true;
}

bool polygon(Context& c, const Record& r) {
    std::size_t count = 0;
    if (!polyPoints(r, count))
        return false;
    if (count >= 2 && c.ready()) {
        QPainterPath path;
        path.addPolygon(pointsAt(c, r, 1, count));
        path.closeSubpath();
        path.setFillRule(fillRule(c));
        paintPath(c, path, true);
    }
    return true;
}

bool polyPolygon(Context& c, const Record& r) {
    const std::size_t polygons = r.u16(0);
    if (!r.has(1 + polygons))
        return false;
    std::size_t total = 0;
    for (std::size_t i = 0; i < polygons; ++i)
        total += r.u16(1 + i);
    if (!r.has(1 + polygons + 2 * total))
        return false;
    if (!c.ready())
        return true;
    QPainterPath path;
    path.setFillRule(fillRule(c));
    std::size_t at = 1 + polygons;
    for (std::size_t i = 0; i < polygons; ++i) {
        const std::size_t count = r.u16(1 + i);
        path.addPolygon(pointsAt(c, r, at, count));
        path.closeSubpath();
        at += 2 * count;
    }
    paintPath(c, path, true);
    return true;
}

bool rectangle(Context& c, const Record& r) {
    if (c.ready()) {
        QPainterPath path;
        path.addRect(c.mapRect(boxAt(r, 0)));
        paintPath(c, path, true);
    }
    return true;
}

bool roundRect(Context& c, const Record& r) {
    if (c.ready()) {
        // The corners are ellipses of the given width and height.
        const double rx = std::abs(r.s16(1) * c.scaleX()) / 2;
        const double ry = std::abs(r.s16(0) * c.scaleY()) / 2;
        QPainterPath path;
        path.addRoundedRect(c.mapRect(boxAt(r, 2)), rx, ry);
        paintPath(c, path, true);
    }
    return true;
}

bool ellipse(Context& c, const Record& r) {
    if (c.ready()) {
        QPainterPath path;
        path.addEllipse(c.mapRect(boxAt(r, 0)));
        paintPath(c, path, true);
    }
    return true;
}

// The angle, in degrees counter-clockwise on the target, at which the line from the centre of
// the box towards the point meets the ellipse.
double angleOn(const QRectF& box, QPointF point) {
    const double dx = (point.x() - box.center().x()) / std::max(box.width(), 1e-9);
    const double dy = (point.y() - box.center().y()) / std::max(box.height(), 1e-9);
    return std::atan2(-dy, dx) * 180.0 / std::numbers::pi;
}

enum class ArcKind { Arc, Pie, Chord };

// Arc, pie and chord: the box, then the start and end points; the arc runs counter-clockwise
// from start to end, all the way round when they coincide.
void drawArc(Context& c, const Record& r, ArcKind kind) {
    const QRectF box = c.mapRect(boxAt(r, 4));
    const double start = angleOn(box, c.map(r.point(2)));
    double sweep = std::fmod(angleOn(box, c.map(r.point(0))) - start, 360.0);
    if (sweep <= 0)
        sweep += 360;
    QPainterPath path;
    if (kind == ArcKind::Pie)
        path.moveTo(box.center());
    else
        path.arcMoveTo(box, start);
    path.arcTo(box, start, sweep);
    if (kind != ArcKind::Arc)
        path.closeSubpath();
    paintPath(c, path, kind != ArcKind::Arc);
}

bool arc(Context& c, const Record& r) {
    if (c.ready())
        drawArc(c, r, ArcKind::Arc);
    return true;
}

bool pie(Context& c, const Record& r) {
    if (c.ready())
        drawArc(c, r, ArcKind::Pie);
    return true;
}

bool chord(Context& c, const Record& r) {
    if (c.ready())
        drawArc(c, r, ArcKind::Chord);
    return true;
}

bool setPixel(Context& c, const Record& r) {
    if (c.ready()) {
        // One logical pixel, but never less than one target pixel.
        QRectF pixel = c.mapRect(QRectF(r.point(2), QSizeF(1, 1)));
        pixel.setSize(pixel.size().expandedTo(QSizeF(1, 1)));
        fillRect(c, pixel, QBrush(colorRef(r.u32(0))));
    }
    return true;
}

bool patBlt(Context& c, const Record& r) {
    if (c.ready()) {
        const QPointF origin = r.point(4);
        const QRectF box(origin, QSizeF(r.s16(3), r.s16(2)));
        blitPattern(c, c.mapRect(box), r.u32(0));
    }
    return true;
}

void paintRegion(Context& c, int regionIndex, const QBrush& brush) {
    const auto* region = std::get_if<Region>(c.objects.find(regionIndex));
    if (region == nullptr || !c.ready())
        return;
    for (const QRect& rect : c.pixelRegion(*region))
        fillRect(c, QRectF(rect), brush);
}

bool fillRegion(Context& c, const Record& r) {
    const auto* brush = std::get_if<Brush>(c.objects.find(r.u16(1)));
    if (brush != nullptr) {
        const Brush selected = c.dc.brush;
        c.dc.brush = *brush;
        paintRegion(c, r.u16(0), deviceBrush(c));
        c.dc.brush = selected;
    }
    return true;
}

bool paintRegionRecord(Context& c, const Record& r) {
    paintRegion(c, r.u16(0), deviceBrush(c));
    return true;
}

constexpr Handler Handlers[] = {
    {fn::MoveTo, 2, moveTo},
    {fn::LineTo, 2, lineTo},
    {fn::Polyline, 1, polyline},
    {fn::Polygon, 1, polygon},
    {fn::PolyPolygon, 1, polyPolygon},
    {fn::Rectangle, 4, rectangle},
    {fn::RoundRect, 6, roundRect},
    {fn::Ellipse, 4, ellipse},
    {fn::Arc, 8, arc},
    {fn::Pie, 8, pie},
    {fn::Chord, 8, chord},
    {fn::SetPixel, 4, setPixel},
    {fn::PatBlt, 6, patBlt},
    {fn::FillRegion, 2, fillRegion},
    {fn::PaintRegion, 1, paintRegionRecord},
};

} // namespace

std::span<const Handler> shapeHandlers() {
    return Handlers;
}

} // namespace pix::wmf
