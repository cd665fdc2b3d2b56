#include "platform/wmf/wmfraster.h"

#include "platform/wmf/wmfcanvas.h"
#include "platform/wmf/wmfcontext.h"
#include "platform/wmf/wmfwork.h"

#include <QPainter>

namespace pix::wmf {

namespace {

int ropIndex(std::uint32_t rop) {
    return int((rop >> 16) & 0xFF);
}

// The operation index is a truth table over pattern, source and destination bits; an operand
// matters when flipping it changes the result.
bool usesPattern(std::uint32_t rop) {
    const int i = ropIndex(rop);
    return (((i >> 4) ^ i) & 0x0F) != 0;
}

// Pixels of the given colour become transparent, so that they leave the target alone.
QImage withoutColor(const QImage& image, QRgb color) {
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if ((row[x] & 0xFFFFFF) == (color & 0xFFFFFF))
                row[x] = 0;
    }
    return out;
}

void composite(Context& context, const QRectF& rect, const QBrush& brush,
               QPainter::CompositionMode mode) {
    if (context.measuring()) {
        context.addBounds(rect);
        return;
    }
    if (!context.spend(CallWork + areaOn(rect, context.targetSize())))
        return;
    QPainter* painter = context.painter();
    painter->setCompositionMode(mode);
    painter->fillRect(rect, brush);
    painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

} // namespace

bool usesSource(std::uint32_t rop) {
    const int i = ropIndex(rop);
    return (((i >> 2) ^ i) & 0x33) != 0;
}

void blitImage(Context& context, const QRectF& dest, QImage source, std::uint32_t rop) {
    if (!usesSource(rop)) {
        blitPattern(context, dest, rop);
        return;
    }
    const bool flipX = dest.width() < 0, flipY = dest.height() < 0;
    if (flipX || flipY)
        source = source.mirrored(flipX, flipY);
    const QRectF rect = dest.normalized();
    if (rect.isEmpty() || source.isNull())
        return;
    if (context.measuring()) {
        context.addBounds(rect);
        return;
    }
    // Scaling reads every source pixel and writes every target pixel it covers.
    if (!context.spend(CallWork + 2 * areaOn(rect, context.targetSize()) +
                       double(source.width()) * source.height()))
        return;
    QPainter* painter = context.painter();
    // The target starts transparent, where the source-combining operations have nothing to
    // combine with: the mask idiom (AND a mask, then OR or XOR the picture) is kept by making
    // the neutral pixels of each step transparent.
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    switch (rop) {
    case rop::NotSrcCopy:
        source.invertPixels();
        break;
    case rop::SrcAnd:
        source = withoutColor(source, qRgb(255, 255, 255));
        mode = QPainter::CompositionMode_Multiply;
        break;
    case rop::SrcPaint:
        source = withoutColor(source, qRgb(0, 0, 0));
        mode = QPainter::CompositionMode_Screen;
        break;
    case rop::SrcInvert:
        mode = QPainter::CompositionMode_Difference;
        break;
    default:
        break;
    }
    painter->setRenderHint(QPainter::SmoothPixmapTransform,
                           context.dc.stretchMode == StretchHalftone);
    painter->setCompositionMode(mode);
    painter->drawImage(rect, source);
    painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void blitPattern(Context& context, const QRectF& dest, std::uint32_t rop) {
    const QRectF rect = dest.normalized();
    if (rect.isEmpty())
        return;
    switch (rop) {
    case rop::Blackness:
        fillRect(context, rect, QBrush(Qt::black));
        return;
    case rop::Whiteness:
        fillRect(context, rect, QBrush(Qt::white));
        return;
    case rop::DstInvert:
        composite(context, rect, QBrush(Qt::white), QPainter::CompositionMode_Difference);
        return;
    case rop::PatInvert:
        composite(context, rect, deviceBrush(context), QPainter::CompositionMode_Difference);
        return;
    default:
        break;
    }
    if (usesPattern(rop))
        fillRect(context, rect, deviceBrush(context));
}

} // namespace pix::wmf
