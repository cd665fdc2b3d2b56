#include "platform/wmf/wmfplayer.h"

#include "platform/wmf/wmfconstants.h"
#include "platform/wmf/wmfcontext.h"
#include "platform/wmf/wmfplayback.h"
#include "platform/wmf/wmfrecord.h"

#include <QImage>
#include <QPainter>
#include <cmath>
#include <optional>

namespace pix::wmf {

namespace {

constexpr double ScreenDpi = 96.0;
constexpr double MaxSide = 65535.0;
constexpr double MaxArea = double(1 << 28);

// What measuring and rendering share: the headers, where the frame comes from, and the
// picture's own size in pixels.
struct Plan {
    Header header;
    FrameSource frame;
    QSizeF size;
};

// The first usable window extent the records set, found while walking every record's
// framing, so that a truncated or overrunning record is noticed before anything is drawn.
WmfResult firstWindowExt(const unsigned char* data, std::size_t size, const Header& header,
                         std::optional<QPointF>& extent) {
    RecordReader reader(data, size, header.firstRecord);
    Record record;
    for (;;) {
        const RecordReader::Step step = reader.next(record);
        if (step != RecordReader::Step::Record)
            return step == RecordReader::Step::End ? WmfResult::Ok : WmfResult::Malformed;
        if (!extent && record.function() == fn::SetWindowExt && record.has(2) &&
            record.s16(0) != 0 && record.s16(1) != 0)
            extent = QPointF(record.s16(1), record.s16(0));
    }
}

// The extent of everything drawn, on the reference device, found by a playback that measures
// instead of painting.
WmfResult drawingExtent(const unsigned char* data, std::size_t size, const Header& header,
                        QRectF& extent) {
    Context context(nullptr, QSize(), FrameSource{FrameSource::Kind::Identity, {}});
    const WmfResult result = playRecords(data, size, header, context);
    extent = context.bounds();
    return result;
}

WmfResult makePlan(const unsigned char* data, std::size_t size, Plan& plan) {
    WmfResult result = readHeader(data, size, plan.header);
    std::optional<QPointF> windowExt;
    if (result == WmfResult::Ok)
        result = firstWindowExt(data, size, plan.header, windowExt);
    if (result != WmfResult::Ok)
        return result;
    const Header& h = plan.header;
    if (h.placeable) {
        if (h.unitsPerInch == 0)
            return WmfResult::Malformed;
        const QRectF bounds(QPointF(h.bounds.left(), h.bounds.top()),
                            QPointF(h.bounds.right(), h.bounds.bottom()));
        plan.frame = {FrameSource::Kind::Bounds, bounds};
        plan.size = QSizeF(std::abs(bounds.width()), std::abs(bounds.height())) * ScreenDpi /
                    h.unitsPerInch;
    } else if (windowExt) {
        plan.frame = {FrameSource::Kind::Window, QRectF(QPointF(0, 0), *windowExt)};
        plan.size = QSizeF(std::abs(windowExt->x()), std::abs(windowExt->y()));
    } else {
        QRectF extent;
        result = drawingExtent(data, size, h, extent);
        plan.frame = {FrameSource::Kind::Reference, extent};
        plan.size = extent.size();
    }
    return result;
}

WmfResult measure(const unsigned char* data, std::size_t size, QSize& pixelSize) {
    Plan plan;
    const WmfResult result = makePlan(data, size, plan);
    if (result != WmfResult::Ok)
        return result;
    const double w = std::round(plan.size.width()), h = std::round(plan.size.height());
    // Sizes of nothing and sizes no picture needs are refused alike.
    if (!(w >= 1 && h >= 1) || w > MaxSide || h > MaxSide || w * h > MaxArea)
        return WmfResult::Malformed;
    pixelSize = QSize(int(w), int(h));
    return WmfResult::Ok;
}

WmfResult render(const unsigned char* data, std::size_t size, QImage& target) {
    Plan plan;
    WmfResult result = makePlan(data, size, plan);
    if (result != WmfResult::Ok || target.isNull())
        return result;
    // Weighed before drawn: a metafile over the budget costs no more than this pass.
    Context weighing(nullptr, target.size(), plan.frame, true);
    result = playRecords(data, size, plan.header, weighing);
    if (result != WmfResult::Ok)
        return result;
    QPainter painter(&target);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    Context context(&painter, target.size(), plan.frame);
    return playRecords(data, size, plan.header, context);
}

} // namespace

bool isWmf(const unsigned char* data, std::size_t size) {
    Header header;
    return readHeader(data, size, header) != WmfResult::NotWmf;
}

WmfResult measureWmf(const unsigned char* data, std::size_t size, QSize& pixelSize) {
    try {
        return measure(data, size, pixelSize);
    } catch (...) { // out of memory: nothing else throws here
        return WmfResult::Malformed;
    }
}

WmfResult renderWmf(const unsigned char* data, std::size_t size, QImage& target) {
    try {
        return render(data, size, target);
    } catch (...) { // out of memory: nothing else throws here
        return WmfResult::Malformed;
    }
}

} // namespace pix::wmf
