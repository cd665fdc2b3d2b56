#include "platform/wmf/wmfcanvas.h"

#include "platform/wmf/wmfcontext.h"
#include "platform/wmf/wmfwork.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace pix::wmf {

namespace {

// A dashed outline many times larger than the target is drawn solid: its dashes would cost
// time out of all proportion to what can be seen of them.
constexpr double MaxDashedTargets = 16;
// Antialiasing a path of edges far longer than the target's perimeter (a star of thousands of
// crossing lines) takes the rasterizer seconds; such a path is drawn with aliased edges, as is
// one whose antialiased edges would cost too much (wmfwork.h).
constexpr double MaxSmoothPerimeters = 16;

// The dash patterns of one-pixel pens, in pen widths; empty for a solid line.
QList<qreal> dashPattern(const Pen& pen) {
    if (pen.width > 1)
        return {}; // wide pens are always solid
    switch (pen.style & PsStyleMask) {
    case PsDash:
        return {18, 6};
    case PsDot:
        return {3, 3};
    case PsDashDot:
        return {9, 6, 3, 6};
    case PsDashDotDot:
        return {9, 3, 3, 3, 3, 3};
    case PsAlternate:
        return {1, 1};
    default:
        return {};
    }
}

Qt::PenCapStyle capStyle(int style) {
    switch (style & PsEndCapMask) {
    case PsEndCapSquare:
        return Qt::SquareCap;
    case PsEndCapFlat:
        return Qt::FlatCap;
    default:
        return Qt::RoundCap;
    }
}

Qt::PenJoinStyle joinStyle(int style) {
    switch (style & PsJoinMask) {
    case PsJoinBevel:
        return Qt::BevelJoin;
    case PsJoinMiter:
        return Qt::MiterJoin;
    default:
        return Qt::RoundJoin;
    }
}

Qt::BrushStyle hatchStyle(int hatch) {
    switch (hatch) {
    case HsHorizontal:
        return Qt::HorPattern;
    case HsVertical:
        return Qt::VerPattern;
    case HsFDiagonal:
        return Qt::FDiagPattern;
    case HsBDiagonal:
        return Qt::BDiagPattern;
    case HsCross:
        return Qt::CrossPattern;
    default:
        return Qt::DiagCrossPattern;
    }
}

// A monochrome pattern takes the text colour for its black pixels and the background colour
// for its white ones.
QImage recoloured(const QImage& pattern, QColor fore, QColor back) {
    QImage image =
        pattern.convertToFormat(QImage::Format_Indexed8, {qRgb(0, 0, 0), qRgb(255, 255, 255)});
    image.setColorTable({fore.rgb(), back.rgb()});
    return image;
}

void setColor(QPen& pen, QBrush& brush, QColor color) {
    pen.setColor(color);
    if (brush.style() != Qt::NoBrush)
        brush = QBrush(color);
}

// Approximates the binary raster operation by colours and composition modes.
void applyRop2(QPainter& painter, int rop2, QPen& pen, QBrush& brush) {
    switch (rop2) {
    case R2Black:
        setColor(pen, brush, Qt::black);
        break;
    case R2White:
        setColor(pen, brush, Qt::white);
        break;
    case R2NotCopyPen:
        setColor(pen, brush, QColor(pen.color().rgb() ^ 0xFFFFFF));
        break;
    case R2Not:
        setColor(pen, brush, Qt::white);
        painter.setCompositionMode(QPainter::CompositionMode_Difference);
        break;
    case R2XorPen:
        painter.setCompositionMode(QPainter::CompositionMode_Difference);
        break;
    default:
        break;
    }
}

} // namespace

QPen devicePen(const Context& context) {
    const Pen& pen = context.dc.pen;
    if ((pen.style & PsStyleMask) == PsNull)
        return QPen(Qt::NoPen);
    // A pen's width follows the x axis of the mapping, as the device context scales it.
    const double width = pen.width == 0 ? 1.0 : std::max(1.0, pen.width * context.scaleX());
    QPen result(QBrush(pen.color), width, Qt::SolidLine, capStyle(pen.style), joinStyle(pen.style));
    // The painter is never transformed, so a cosmetic pen has the same width; it lets thin
    // lines take the painter's fast path.
    result.setCosmetic(true);
    if (const QList<qreal> dashes = dashPattern(pen); !dashes.isEmpty()) {
        result.setDashPattern(dashes);
        result.setCapStyle(Qt::FlatCap); // round caps would fill the gaps
    }
    return result;
}

QBrush deviceBrush(const Context& context) {
    const Brush& brush = context.dc.brush;
    switch (brush.style) {
    case BsNull:
        return QBrush(Qt::NoBrush);
    case BsHatched:
        return QBrush(brush.color, hatchStyle(brush.hatch));
    case BsPattern:
    case BsDibPattern:
    case BsDibPatternPt:
        if (brush.pattern.isNull())
            return QBrush(Qt::black);
        return QBrush(brush.monoPattern
                          ? recoloured(brush.pattern, context.dc.textColor, context.dc.bkColor)
                          : brush.pattern);
    default:
        return QBrush(brush.color);
    }
}

Qt::FillRule fillRule(const Context& context) {
    return context.dc.polyFillMode == FillWinding ? Qt::WindingFill : Qt::OddEvenFill;
}

void paintPath(Context& context, const QPainterPath& path, bool fill) {
    if (context.dc.rop2 == R2Nop)
        return;
    QPen pen = devicePen(context);
    QBrush brush = fill ? deviceBrush(context) : QBrush(Qt::NoBrush);
    if (pen.style() == Qt::NoPen && brush.style() == Qt::NoBrush)
        return;
    const QRectF extent = path.boundingRect();
    if (context.measuring()) {
        const double half = pen.style() == Qt::NoPen ? 0.0 : pen.widthF() / 2;
        context.addBounds(extent.adjusted(-half, -half, half, half));
        return;
    }
    const QSize target = context.targetSize();
    const double perimeter = 2.0 * (target.width() + target.height());
    if (std::max(extent.width(), extent.height()) > MaxDashedTargets * perimeter)
        pen.setStyle(pen.style() == Qt::NoPen ? Qt::NoPen : Qt::SolidLine);
    // The edges' work decides the smoothing as well as the cost: a path of many long crossing
    // edges would take the antialiasing rasterizer seconds.
    const double length = path.length();
    const EdgeCrossings crossings = edgeCrossings(path, target);
    const bool smooth = length <= MaxSmoothPerimeters * perimeter && smoothEdges(crossings);
    const double edges = edgeWork(crossings, smooth);
    double work = CallWork;
    if (brush.style() != Qt::NoBrush)
        work += areaOn(extent, target) + edges;
    if (pen.style() != Qt::NoPen) {
        // A line is drawn only where it crosses the target; a wide pen's outline is filled as a
        // path of twice the edges.
        const double visible = std::min(length, path.elementCount() * perimeter);
        work += visible * pen.widthF() + (pen.widthF() > 1 ? 4 * edges : 0.0);
    }
    if (!context.spend(work))
        return;
    QPainter* painter = context.painter();
    painter->setRenderHint(QPainter::Antialiasing, smooth);
    applyRop2(*painter, context.dc.rop2, pen, brush);
    painter->setBackgroundMode(context.dc.bkMode == BkOpaque ? Qt::OpaqueMode
                                                             : Qt::TransparentMode);
    painter->setBackground(QBrush(context.dc.bkColor));
    painter->setPen(pen);
    painter->setBrush(brush);
    painter->drawPath(path);
    painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter->setRenderHint(QPainter::Antialiasing, true);
}

void fillRect(Context& context, const QRectF& rect, const QBrush& brush) {
    if (context.measuring()) {
        context.addBounds(rect);
        return;
    }
    if (context.spend(CallWork + areaOn(rect, context.targetSize())))
        context.painter()->fillRect(rect.normalized(), brush);
}

} // namespace pix::wmf
