// The mapping of logical coordinates onto the device: map mode, window and viewport.
#pragma once

#include <QPointF>
#include <QRectF>
#include <QTransform>
#include <optional>

namespace pix::wmf {

// A device context's window and viewport. Logical points map onto a reference device by
// (p - windowOrg) * viewportExt / windowExt + viewportOrg. The fixed modes (text, metric,
// English) keep their own extents; their reference device has 96 pixels to the inch.
class Viewing {
public:
    int mapMode() const { return mapMode_; }
    bool scalable() const; // isotropic or anisotropic: the extents may be set

    void setMapMode(int mode);
    void setWindowOrg(QPointF origin) { windowOrg_ = origin; }
    void offsetWindowOrg(QPointF delta) { windowOrg_ += delta; }
    void setViewportOrg(QPointF origin) { viewportOrg_ = origin; }
    void offsetViewportOrg(QPointF delta) { viewportOrg_ += delta; }
    // Extents of zero are refused, as the device context refuses them; so is any change of the
    // extents in a fixed mode. Answers whether the extent was taken.
    bool setWindowExt(QPointF extent);
    bool setViewportExt(QPointF extent);
    void scaleWindowExt(int xNum, int xDenom, int yNum, int yDenom);
    void scaleViewportExt(int xNum, int xDenom, int yNum, int yDenom);

    QPointF windowOrg() const { return windowOrg_; }
    QPointF windowExt() const { return windowExt_; }

    QTransform toReference() const;

private:
    int mapMode_ = 1;
    QPointF windowOrg_{0, 0};
    QPointF windowExt_{1, 1};
    QPointF viewportOrg_{0, 0};
    QPointF viewportExt_{1, 1};
};

// The transform that puts the frame (a rectangle on the reference device) onto a target of the
// given size, stretching as needed; none when either has no area.
std::optional<QTransform> frameTransform(const QRectF& frame, QSizeF target);

} // namespace pix::wmf
