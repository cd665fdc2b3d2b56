#include "platform/wmf/wmfcontext.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace pix::wmf {

namespace {
// Deeper saves are counted but not kept, so that a file of nothing but SaveDC records cannot
// take memory without bound.
constexpr std::size_t MaxSaveDepth = 4096;
} // namespace

Context::Context(QPainter* painter, QSize target, FrameSource frame, bool cost)
    : painter_(painter), pass_(painter ? Pass::Paint
                               : cost  ? Pass::Cost
                                       : Pass::Measure),
      target_(target), frame_(frame) {}

void Context::saveDc() {
    if (saved_.size() < MaxSaveDepth)
        saved_.push_back(dc);
    else
        ++droppedSaves_;
}

bool Context::restoreDc(int level) {
    if (level < 0) {
        std::size_t back = std::size_t(-std::int64_t(level));
        const std::size_t dropped = std::min(back, droppedSaves_);
        droppedSaves_ -= dropped;
        back -= dropped;
        if (back == 0)
            return true; // only saves that were not kept are undone
        if (back > saved_.size())
            return false;
        dc = saved_[saved_.size() - back];
        saved_.resize(saved_.size() - back);
    } else {
        if (level == 0 || std::size_t(level) > saved_.size())
            return false;
        dc = saved_[std::size_t(level) - 1];
        saved_.resize(std::size_t(level) - 1);
        droppedSaves_ = 0;
    }
    applyClip();
    return true;
}

bool Context::ready() {
    if (frameFixed_)
        return frameTransform_.has_value();
    frameFixed_ = true;
    const QTransform reference = dc.view.toReference();
    QRectF frame;
    switch (frame_.kind) {
    case FrameSource::Kind::Identity:
        frameTransform_ = QTransform();
        return true;
    case FrameSource::Kind::Reference:
        frame = frame_.rect;
        break;
    case FrameSource::Kind::Bounds:
        frame = reference.mapRect(frame_.rect.normalized());
        break;
    case FrameSource::Kind::Window: {
        const QPointF ext = windowExtSet_ ? dc.view.windowExt() : frame_.rect.bottomRight();
        const QRectF window(dc.view.windowOrg(), QSizeF(ext.x(), ext.y()));
        frame = reference.mapRect(window.normalized());
        break;
    }
    }
    frameTransform_ = frameTransform(frame, QSizeF(target_));
    return frameTransform_.has_value();
}

QTransform Context::transform() const {
    const QTransform reference = dc.view.toReference();
    return frameTransform_ ? reference * *frameTransform_ : reference;
}

double Context::scaleX() const {
    return std::abs(transform().m11());
}
double Context::scaleY() const {
    return std::abs(transform().m22());
}

QRect Context::pixelRect(const QRectF& logical) const {
    // Clamped so that absurd coordinates cannot overflow the integer rectangle.
    const QRectF r = mapRect(logical).intersected(QRectF(-1e9, -1e9, 2e9, 2e9));
    const QPoint topLeft(int(std::lround(r.left())), int(std::lround(r.top())));
    const QPoint bottomRight(int(std::lround(r.right())), int(std::lround(r.bottom())));
    return QRect(topLeft, bottomRight - QPoint(1, 1));
}

QRegion Context::pixelRegion(const Region& region) const {
    const QTransform t = transform();
    if (region.pixels && region.pixels->first == t)
        return region.pixels->second;
    std::vector<QRegion> parts;
    parts.reserve(region.rects.size());
    for (const QRect& rect : region.rects) {
        const QRect pixels = pixelRect(QRectF(rect));
        if (!pixels.isEmpty())
            parts.emplace_back(pixels);
    }
    // United pairwise, level by level: adding rectangles one at a time would cost quadratic
    // time for regions of many scans.
    while (parts.size() > 1) {
        std::vector<QRegion> next;
        next.reserve(parts.size() / 2 + 1);
        for (std::size_t i = 0; i < parts.size(); i += 2)
            next.push_back(i + 1 < parts.size() ? parts[i].united(parts[i + 1]) : parts[i]);
        parts.swap(next);
    }
    region.pixels.emplace(t, parts.empty() ? QRegion() : parts.front());
    return region.pixels->second;
}

void Context::setClip(std::optional<QRegion> clip) {
    if (clip && std::size_t(clip->rectCount()) > MaxRegionRects)
        clip = QRegion(clip->boundingRect());
    dc.clip = std::move(clip);
    applyClip();
}

QRegion Context::clipRegion() const {
    if (dc.clip)
        return *dc.clip;
    if (measuring()) // the drawing may lie anywhere
        return QRegion(QRect(-(1 << 29), -(1 << 29), 1 << 30, 1 << 30));
    return QRegion(QRect(QPoint(0, 0), target_));
}

void Context::applyClip() {
    if (painter_ == nullptr)
        return;
    if (dc.clip)
        painter_->setClipRegion(*dc.clip);
    else
        painter_->setClipping(false);
}

void Context::addBounds(const QRectF& rect) {
    QRectF r = rect.normalized();
    if (dc.clip)
        r = r.intersected(QRectF(dc.clip->boundingRect()));
    if (!r.isEmpty())
        bounds_ = bounds_.isEmpty() ? r : bounds_.united(r);
}

} // namespace pix::wmf
