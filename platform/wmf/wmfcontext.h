// The playback state: the device context with its save stack, the object table, and the
// mapping from logical coordinates onto the target image.
#pragma once

#include "platform/wmf/wmfconstants.h"
#include "platform/wmf/wmfmapping.h"
#include "platform/wmf/wmfobjects.h"

#include <QPointF>
#include <QRectF>
#include <QRegion>
#include <QSize>
#include <QTransform>
#include <optional>
#include <vector>

class QPainter;

namespace pix::wmf {

// The attributes SaveDC keeps and RestoreDC brings back, with their initial values.
struct DcState {
    Pen pen;
    Brush brush;
    Font font;
    QColor textColor = Qt::black;
    QColor bkColor = Qt::white;
    int bkMode = BkOpaque;
    int polyFillMode = FillAlternate;
    int textAlign = 0;
    int rop2 = R2CopyPen;
    int stretchMode = 1;
    int charExtra = 0;
    Viewing view;
    QPointF position;            // the current position, in logical units
    std::optional<QRegion> clip; // in target pixels; none means the whole target
};

// Where the picture's frame, the part of the drawing that fills the target, comes from.
struct FrameSource {
    enum class Kind {
        Bounds,    // a rectangle in logical units (the placeable header's bounding box)
        Window,    // the window the records set; `rect` holds the first extent set anywhere
        Reference, // a rectangle on the reference device
        Identity,  // reference pixels are target pixels (measuring the drawing's extent)
    };
    Kind kind = Kind::Identity;
    QRectF rect;
};

// What a playback does with the drawing calls: measure what they cover, add up the work they
// would take on the target, or draw them.
enum class Pass { Measure, Cost, Paint };

class Context {
public:
    // painter may be null: the records are then only measured (see bounds()), or, with `cost`,
    // weighed for a target of that size (see work()).
    Context(QPainter* painter, QSize target, FrameSource frame, bool cost = false);

    DcState dc;
    ObjectTable objects;

    QPainter* painter() const { return painter_; }
    QSize targetSize() const { return target_; }
    Pass pass() const { return pass_; }
    bool measuring() const { return pass_ == Pass::Measure; }

    // Counts the work of a drawing call (wmfwork.h); true when the call is to be drawn.
    bool spend(double work) {
        work_ += work;
        return pass_ == Pass::Paint;
    }
    double work() const { return work_; }

    void saveDc();
    // A negative level counts back from the latest save, a positive one names a save by its
    // depth. Answers false when there is no such saved state.
    bool restoreDc(int level);

    // The records set the window extent (it then defines the frame of a picture without a
    // placeable header).
    void noteWindowExt() { windowExtSet_ = true; }
    // Fixes the frame the first time anything is drawn. False when the frame has no area.
    bool ready();
    QTransform transform() const; // logical units to target pixels
    QPointF map(QPointF p) const { return transform().map(p); }
    QRectF mapRect(const QRectF& r) const { return transform().mapRect(r.normalized()); }
    double scaleX() const; // target pixels per logical unit, absolute
    double scaleY() const;
    // A logical rectangle or region as whole target pixels (clip regions are pixel sets).
    QRect pixelRect(const QRectF& logical) const;
    QRegion pixelRegion(const Region& region) const;

    void setClip(std::optional<QRegion> clip);
    // The clip region in force, as a region (the whole target when unclipped).
    QRegion clipRegion() const;
    void applyClip();

    // Measuring mode: the target-pixel rectangle covered by what was drawn.
    void addBounds(const QRectF& rect);
    QRectF bounds() const { return bounds_; }

private:
    QPainter* painter_;
    Pass pass_;
    double work_ = 0;
    QSize target_;
    FrameSource frame_;
    std::optional<QTransform> frameTransform_;
    bool frameFixed_ = false;
    bool windowExtSet_ = false;
    std::vector<DcState> saved_;
    std::size_t droppedSaves_ = 0;
    QRectF bounds_;
};

} // namespace pix::wmf
