#include "platform/wmf/wmfmapping.h"

#include "platform/wmf/wmfconstants.h"

#include <algorithm>
#include <cmath>

namespace pix::wmf {

namespace {

constexpr double ReferenceDpi = 96.0;

// Reference pixels per logical unit of a fixed mode; y grows upwards in the metric and English
// modes, hence the negative y scale.
QPointF fixedScale(int mode) {
    double perInch = 0;
    switch (mode) {
    case MmLoMetric:
        perInch = 254.0; // tenths of a millimetre
        break;
    case MmHiMetric:
        perInch = 2540.0;
        break;
    case MmLoEnglish:
        perInch = 100.0;
        break;
    case MmHiEnglish:
        perInch = 1000.0;
        break;
    case MmTwips:
        perInch = 1440.0;
        break;
    default:
        return {1.0, 1.0};
    }
    const double scale = ReferenceDpi / perInch;
    return {scale, -scale};
}

// Extents are whole numbers that the device context keeps in 32 bits; others are refused.
bool usableExtent(QPointF p) {
    constexpr double Max = 2147483647.0;
    return p.x() != 0 && p.y() != 0 && std::abs(p.x()) <= Max && std::abs(p.y()) <= Max;
}

QPointF scaled(QPointF extent, int xNum, int xDenom, int yNum, int yDenom) {
    if (xDenom == 0 || yDenom == 0)
        return {};
    return {std::trunc(extent.x() * xNum / xDenom), std::trunc(extent.y() * yNum / yDenom)};
}

} // namespace

bool Viewing::scalable() const {
    return mapMode_ == MmIsotropic || mapMode_ == MmAnisotropic;
}

void Viewing::setMapMode(int mode) {
    if (mode < MmText || mode > MmAnisotropic)
        return;
    mapMode_ = mode;
    if (scalable())
        return; // the extents of the previous mode stay until the records change them
    windowExt_ = {1, 1};
    viewportExt_ = fixedScale(mode);
}

bool Viewing::setWindowExt(QPointF extent) {
    if (!scalable() || !usableExtent(extent))
        return false;
    windowExt_ = extent;
    return true;
}

bool Viewing::setViewportExt(QPointF extent) {
    if (!scalable() || !usableExtent(extent))
        return false;
    viewportExt_ = extent;
    return true;
}

void Viewing::scaleWindowExt(int xNum, int xDenom, int yNum, int yDenom) {
    setWindowExt(scaled(windowExt_, xNum, xDenom, yNum, yDenom));
}

void Viewing::scaleViewportExt(int xNum, int xDenom, int yNum, int yDenom) {
    setViewportExt(scaled(viewportExt_, xNum, xDenom, yNum, yDenom));
}

QTransform Viewing::toReference() const {
    double sx = viewportExt_.x() / windowExt_.x();
    double sy = viewportExt_.y() / windowExt_.y();
    if (mapMode_ == MmIsotropic) {
        // Both axes take the smaller scale, keeping their directions.
        const double m = std::min(std::abs(sx), std::abs(sy));
        sx = std::copysign(m, sx);
        sy = std::copysign(m, sy);
    }
    return QTransform(sx, 0, 0, sy, viewportOrg_.x() - windowOrg_.x() * sx,
                      viewportOrg_.y() - windowOrg_.y() * sy);
}

std::optional<QTransform> frameTransform(const QRectF& frame, QSizeF target) {
    const QRectF f = frame.normalized();
    if (!(f.width() > 0) || !(f.height() > 0) || target.isEmpty())
        return std::nullopt;
    const double sx = target.width() / f.width();
    const double sy = target.height() / f.height();
    return QTransform(sx, 0, 0, sy, -f.left() * sx, -f.top() * sy);
}

} // namespace pix::wmf
