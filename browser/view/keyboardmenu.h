// Context menus opened from the keyboard (the Menu key, Shift+F10) appear at the item the
// keyboard is on, not wherever the mouse pointer happens to rest.
#pragma once

#include <QPoint>

class QAbstractItemView;
class QKeyEvent;

namespace pix {

/// True for the keys that open a context menu: Menu, and Shift+F10.
bool isContextMenuKey(const QKeyEvent& event);

/// The place, in global coordinates, for a context menu opened from the keyboard: at the
/// middle of the view's current item (scrolled into view first), or at the top left of the
/// view's viewport when it has none.
QPoint keyboardMenuPlace(QAbstractItemView& view);

} // namespace pix
