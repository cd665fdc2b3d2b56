// Qt actions for the command table's entries: text, tool tip, status text, icon from the
// desktop theme with a bundled fallback, and the command id as the action's data.
#pragma once

#include "app/commands.h"

#include <QIcon>
#include <functional>

class QAction;
class QMenu;
class QObject;
class QPoint;
class QWidget;

namespace pix {

// The theme's icon, or the style's standard icon when the theme has none.
QIcon commandIcon(CommandId id, const QWidget* styleSource = nullptr);

// A new action for the command, owned by parent.
QAction* makeCommandAction(CommandId id, QObject* parent);

// Adds the entries to the menu (new actions owned by it; None adds a separator), each enabled
// as `enabled` answers.
void fillMenu(QMenu& menu, CommandList entries, const std::function<bool(CommandId)>& enabled);

// Shows the menu at a place and answers the entry chosen, or none. An entry triggered without
// the pointer (an assistive technology's "Press") counts too and closes the menu.
const QAction* ChooseFromMenu(QMenu& menu, const QPoint& at);

} // namespace pix
