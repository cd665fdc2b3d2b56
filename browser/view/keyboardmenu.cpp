#include "browser/view/keyboardmenu.h"

#include <QAbstractItemView>
#include <QKeyEvent>

namespace pix {

bool isContextMenuKey(const QKeyEvent& event) {
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    return (event.key() == Qt::Key_Menu && modifiers == Qt::NoModifier) ||
           (event.key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier);
}

QPoint keyboardMenuPlace(QAbstractItemView& view) {
    const QModelIndex current = view.currentIndex();
    QWidget* viewport = view.viewport();
    if (!current.isValid())
        return viewport->mapToGlobal(QPoint(0, 0));
    view.scrollTo(current);
    const QRect rect = view.visualRect(current).intersected(viewport->rect());
    return viewport->mapToGlobal(rect.isValid() ? rect.center() : QPoint(0, 0));
}

} // namespace pix
