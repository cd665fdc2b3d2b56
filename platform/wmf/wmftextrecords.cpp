// Text out and extended text out: the string is laid out in target pixels from its reference
// point by the text alignment, turned by the font's escapement.
#include "platform/wmf/wmfcontext.h"
#include "platform/wmf/wmfhandlers.h"
#include "platform/wmf/wmfrecord.h"
#include "platform/wmf/wmftext.h"
#include "platform/wmf/wmfwork.h"

#include <QFontMetricsF>
#include <QPainter>
#include <optional>
#include <vector>

namespace pix::wmf {

namespace {

struct TextRun {
    QPointF reference; // logical
    QByteArray bytes;
    std::vector<int> dx; // logical advances, one per character, or none
    int options = 0;
    std::optional<QRectF> rect; // logical, for the opaque and clipped options
};

// The run laid out: advances in target pixels and the box around it, relative to the
// reference point before turning.
struct Layout {
    QString text;
    std::vector<double> advances; // empty: drawn as one string
    double width = 0;
    double left = 0;     // where the run starts
    double baseline = 0; // where its baseline lies
    double ascent = 0;
    double descent = 0;
    QRectF box() const { return QRectF(left, baseline - ascent, width, ascent + descent); }
};

Layout layOut(const Context& c, const TextRun& run, const QFont& font) {
    const QFontMetricsF metrics(font, c.painter() ? c.painter()->device() : nullptr);
    Layout l;
    l.text = decodeText(run.bytes, c.dc.font.charset);
    const double extra = c.dc.charExtra * c.scaleX();
    if (run.dx.size() == std::size_t(l.text.size())) {
        for (int dx : run.dx)
            l.advances.push_back(dx * c.scaleX());
    } else if (extra != 0) {
        for (QChar ch : l.text)
            l.advances.push_back(metrics.horizontalAdvance(ch) + extra);
    }
    if (l.advances.empty())
        l.width = metrics.horizontalAdvance(l.text);
    for (double advance : l.advances)
        l.width += advance;
    l.ascent = metrics.ascent();
    l.descent = metrics.descent();
    const int align = c.dc.textAlign;
    if ((align & TaHorizontalMask) == TaRight)
        l.left = -l.width;
    else if ((align & TaHorizontalMask) == TaCenter)
        l.left = -l.width / 2;
    if ((align & TaVerticalMask) == TaBottom)
        l.baseline = -l.descent;
    else if ((align & TaVerticalMask) != TaBaseline)
        l.baseline = l.ascent; // top
    return l;
}

void paintRun(Context& c, const TextRun& run, const Layout& l, const QFont& font,
              const QTransform& placement) {
    QPainter& painter = *c.painter();
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setBackgroundMode(Qt::TransparentMode);
    if (run.rect && (run.options & EtoOpaque))
        painter.fillRect(c.mapRect(*run.rect), c.dc.bkColor);
    if (run.rect && (run.options & EtoClipped))
        painter.setClipRect(c.mapRect(*run.rect), Qt::IntersectClip);
    painter.setTransform(placement);
    if (c.dc.bkMode == BkOpaque && !(run.options & EtoOpaque))
        painter.fillRect(l.box(), c.dc.bkColor);
    painter.setFont(font);
    painter.setPen(c.dc.textColor);
    if (l.advances.empty()) {
        painter.drawText(QPointF(l.left, l.baseline), l.text);
    } else {
        // Characters placed one by one; those off the target are not drawn at all.
        const QRectF target(QPointF(0, 0), QSizeF(c.targetSize()));
        const double cell = l.ascent + l.descent;
        double x = l.left;
        for (qsizetype i = 0; i < l.text.size(); ++i) {
            const QRectF glyph(x - cell, l.baseline - l.ascent, 3 * cell, cell);
            if (placement.mapRect(glyph).intersects(target))
                painter.drawText(QPointF(x, l.baseline), QString(l.text.at(i)));
            x += l.advances[std::size_t(i)];
        }
    }
    painter.restore();
}

void drawRun(Context& c, const TextRun& run) {
    if (!c.ready())
        return;
    const bool updateCp = c.dc.textAlign & TaUpdateCp;
    const QPointF origin = c.map(updateCp ? c.dc.position : run.reference);
    const QFont font = deviceFont(c.dc.font, c.scaleX(), c.scaleY(),
                                  c.painter() ? c.painter()->device() : nullptr);
    const Layout l = layOut(c, run, font);
    QTransform placement;
    placement.translate(origin.x(), origin.y());
    placement.rotate(-c.dc.font.escapement / 10.0);
    if (c.measuring()) {
        c.addBounds(placement.mapRect(l.box()));
    } else {
        // Each glyph is a call of its own, and the run's box is filled and drawn over.
        QRectF covered = placement.mapRect(l.box());
        if (run.rect)
            covered = covered.united(c.mapRect(*run.rect));
        if (c.spend(CallWork * double(l.text.size() + 1) + 2 * areaOn(covered, c.targetSize())))
            paintRun(c, run, l, font, placement);
    }
    if (updateCp) {
        // The current position moves past the text, in logical units.
        const double advance = l.width / std::max(c.scaleX(), 1e-9);
        const int horizontal = c.dc.textAlign & TaHorizontalMask;
        if (horizontal == 0)
            c.dc.position.rx() += advance;
        else if (horizontal == TaRight)
            c.dc.position.rx() -= advance;
    }
}

QByteArray stringAt(const Record& r, std::size_t index, std::size_t length) {
    return QByteArray(reinterpret_cast<const char*>(r.bytesFrom(index)), qsizetype(length));
}

bool textOut(Context& c, const Record& r) {
    const int length = r.s16(0);
    const std::size_t words = (std::size_t(std::max(length, 0)) + 1) / 2;
    if (length < 0 || !r.has(1 + words + 2))
        return false;
    TextRun run;
    run.bytes = stringAt(r, 1, std::size_t(length));
    run.reference = QPointF(r.s16(1 + words + 1), r.s16(1 + words));
    drawRun(c, run);
    return true;
}

bool extTextOut(Context& c, const Record& r) {
    const int length = r.s16(2);
    if (length < 0)
        return false;
    const std::size_t words = (std::size_t(length) + 1) / 2;
    TextRun run;
    run.reference = QPointF(r.s16(1), r.s16(0));
    run.options = r.u16(3);
    std::size_t at = 4;
    // The rectangle comes with the opaque and clipped options; some writers set the options
    // but leave it out, which shows in a record too short to hold both.
    if ((run.options & (EtoOpaque | EtoClipped)) && r.has(8 + words)) {
        run.rect = QRectF(QPointF(r.s16(4), r.s16(5)), QPointF(r.s16(6), r.s16(7)));
        at = 8;
    }
    if (!r.has(at + words))
        return false;
    run.bytes = stringAt(r, at, std::size_t(length));
    at += words;
    const std::size_t step = (run.options & EtoPdy) ? 2 : 1;
    if (r.has(at + step * std::size_t(length)))
        for (std::size_t i = 0; i < std::size_t(length); ++i)
            run.dx.push_back(r.s16(at + step * i));
    drawRun(c, run);
    return true;
}

constexpr Handler Handlers[] = {
    {fn::TextOut, 1, textOut},
    {fn::ExtTextOut, 4, extTextOut},
};

} // namespace

std::span<const Handler> textHandlers() {
    return Handlers;
}

} // namespace pix::wmf
