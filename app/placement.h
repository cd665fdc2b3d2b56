// Keeping a restored window where a person can reach it: a placement saved on another screen
// arrangement, or damaged, must still give a window on screen.
#pragma once

#include <QList>
#include <QRect>

namespace pix {

// The rectangle to use for a window saved at `saved`, given the screens' available areas (the
// first is the primary screen). A rectangle whose title strip lies on a screen is kept, shrunk
// to that screen when larger; any other, or an empty one, becomes `fallback` (shrunk to the
// primary screen when larger) centred on the primary screen. No screens: `saved` unchanged.
QRect placeOnScreens(const QRect& saved, const QList<QRect>& screens, const QSize& fallback);

// The window at its first start: most of the primary screen's available area (the first of
// `screens`), at least `least` where the screen has room for it, centred. No screens: `least`
// at the origin.
QRect firstPlacement(const QList<QRect>& screens, const QSize& least);

} // namespace pix
