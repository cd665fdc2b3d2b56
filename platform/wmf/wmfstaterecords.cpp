// Records that change the device context: modes, colours, the mapping, saved states and the
// clip region. Parameters come in reverse order of the drawing call's arguments (y before x).
#include "platform/wmf/wmfcontext.h"
#include "platform/wmf/wmfhandlers.h"
#include "platform/wmf/wmfrecord.h"

#include <cmath>

namespace pix::wmf {

namespace {

bool setBkMode(Context& c, const Record& r) {
    const int mode = r.u16(0);
    if (mode == BkTransparent || mode == BkOpaque)
        c.dc.bkMode = mode;
    return true;
}

bool setMapMode(Context& c, const Record& r) {
    c.dc.view.setMapMode(r.s16(0));
    return true;
}

bool setRop2(Context& c, const Record& r) {
    const int rop2 = r.u16(0);
    if (rop2 >= 1 && rop2 <= 16)
        c.dc.rop2 = rop2;
    return true;
}

bool setPolyFillMode(Context& c, const Record& r) {
    const int mode = r.u16(0);
    if (mode == FillAlternate || mode == FillWinding)
        c.dc.polyFillMode = mode;
    return true;
}

bool setStretchBltMode(Context& c, const Record& r) {
    c.dc.stretchMode = r.u16(0);
    return true;
}

bool setTextCharExtra(Context& c, const Record& r) {
    c.dc.charExtra = r.s16(0);
    return true;
}

bool setTextAlign(Context& c, const Record& r) {
    c.dc.textAlign = r.u16(0);
    return true;
}

bool setBkColor(Context& c, const Record& r) {
    c.dc.bkColor = colorRef(r.u32(0));
    return true;
}

bool setTextColor(Context& c, const Record& r) {
    c.dc.textColor = colorRef(r.u32(0));
    return true;
}

bool setWindowOrg(Context& c, const Record& r) {
    c.dc.view.setWindowOrg(r.point(0));
    return true;
}

bool setWindowExt(Context& c, const Record& r) {
    if (c.dc.view.setWindowExt(r.point(0)))
        c.noteWindowExt();
    return true;
}

bool setViewportOrg(Context& c, const Record& r) {
    c.dc.view.setViewportOrg(r.point(0));
    return true;
}

bool setViewportExt(Context& c, const Record& r) {
    c.dc.view.setViewportExt(r.point(0));
    return true;
}

bool offsetWindowOrg(Context& c, const Record& r) {
    c.dc.view.offsetWindowOrg(r.point(0));
    return true;
}

bool offsetViewportOrg(Context& c, const Record& r) {
    c.dc.view.offsetViewportOrg(r.point(0));
    return true;
}

bool scaleWindowExt(Context& c, const Record& r) {
    c.dc.view.scaleWindowExt(r.s16(3), r.s16(2), r.s16(1), r.s16(0));
    return true;
}

bool scaleViewportExt(Context& c, const Record& r) {
    c.dc.view.scaleViewportExt(r.s16(3), r.s16(2), r.s16(1), r.s16(0));
    return true;
}

bool saveDc(Context& c, const Record&) {
    c.saveDc();
    return true;
}

bool restoreDc(Context& c, const Record& r) {
    c.restoreDc(r.s16(0)); // a restore with nothing to restore is ignored
    return true;
}

QRectF clipRectParams(const Record& r) {
    return QRectF(QPointF(r.s16(3), r.s16(2)), QPointF(r.s16(1), r.s16(0)));
}

bool intersectClipRect(Context& c, const Record& r) {
    if (c.ready())
        c.setClip(c.clipRegion().intersected(c.pixelRect(clipRectParams(r))));
    return true;
}

bool excludeClipRect(Context& c, const Record& r) {
    if (c.ready())
        c.setClip(c.clipRegion().subtracted(c.pixelRect(clipRectParams(r))));
    return true;
}

bool offsetClipRgn(Context& c, const Record& r) {
    if (!c.dc.clip || !c.ready())
        return true;
    const QTransform t = c.transform();
    const QPoint offset(int(std::lround(r.s16(1) * t.m11())), int(std::lround(r.s16(0) * t.m22())));
    c.setClip(c.dc.clip->translated(offset));
    return true;
}

bool selectClipRegion(Context& c, const Record& r) {
    const auto* region = std::get_if<Region>(c.objects.find(r.u16(0)));
    // An index that names no region stands for no region at all: the clip is removed.
    if (region == nullptr)
        c.setClip(std::nullopt);
    else if (c.ready())
        c.setClip(c.pixelRegion(*region));
    return true;
}

constexpr Handler Handlers[] = {
    {fn::SetBkMode, 1, setBkMode},
    {fn::SetMapMode, 1, setMapMode},
    {fn::SetRop2, 1, setRop2},
    {fn::SetPolyFillMode, 1, setPolyFillMode},
    {fn::SetStretchBltMode, 1, setStretchBltMode},
    {fn::SetTextCharExtra, 1, setTextCharExtra},
    {fn::SetTextAlign, 1, setTextAlign},
    {fn::SetBkColor, 2, setBkColor},
    {fn::SetTextColor, 2, setTextColor},
    {fn::SetWindowOrg, 2, setWindowOrg},
    {fn::SetWindowExt, 2, setWindowExt},
    {fn::SetViewportOrg, 2, setViewportOrg},
    {fn::SetViewportExt, 2, setViewportExt},
    {fn::OffsetWindowOrg, 2, offsetWindowOrg},
    {fn::OffsetViewportOrg, 2, offsetViewportOrg},
    {fn::ScaleWindowExt, 4, scaleWindowExt},
    {fn::ScaleViewportExt, 4, scaleViewportExt},
    {fn::SaveDc, 0, saveDc},
    {fn::RestoreDc, 1, restoreDc},
    {fn::IntersectClipRect, 4, intersectClipRect},
    {fn::ExcludeClipRect, 4, excludeClipRect},
    {fn::OffsetClipRgn, 2, offsetClipRgn},
    {fn::SelectClipRegion, 1, selectClipRegion},
};

} // namespace

std::span<const Handler> stateHandlers() {
    return Handlers;
}

} // namespace pix::wmf
