#include "app/commandactions.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QStyle>

namespace pix {

QIcon commandIcon(CommandId id, const QWidget* styleSource) {
    const CommandInfo& info = commandInfo(id);
    if (info.themeIcon.isEmpty())
        return {};
    const QIcon themed = QIcon::fromTheme(info.themeIcon);
    if (!themed.isNull())
        return themed;
    const QStyle* style = styleSource ? styleSource->style() : QApplication::style();
    return style ? style->standardIcon(info.fallbackIcon) : QIcon();
}

QAction* makeCommandAction(CommandId id, QObject* parent) {
    const CommandInfo& info = commandInfo(id);
    auto* action = new QAction(commandIcon(id), info.text, parent);
    action->setData(int(id));
    action->setToolTip(info.toolTip.isEmpty() ? plainText(id) : QString(info.toolTip));
    if (!info.statusTip.isEmpty())
        action->setStatusTip(info.statusTip);
    action->setIconVisibleInMenu(true);
    return action;
}

void fillMenu(QMenu& menu, CommandList entries, const std::function<bool(CommandId)>& enabled) {
    for (const CommandId id : entries) {
        if (id == CommandId::None) {
            menu.addSeparator();
            continue;
        }
        QAction* action = makeCommandAction(id, &menu);
        action->setEnabled(enabled(id));
        menu.addAction(action);
    }
}

const QAction* ChooseFromMenu(QMenu& menu, const QPoint& at) {
    const QAction* chosen = nullptr;
    const QMetaObject::Connection picked =
        QObject::connect(&menu, &QMenu::triggered, &menu, [&](QAction* action) {
            chosen = action;
            menu.close();
        });
    const QAction* clicked = menu.exec(at);
    QObject::disconnect(picked);
    return chosen ? chosen : clicked;
}

} // namespace pix
