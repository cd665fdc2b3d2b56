#include "app/commandactions.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QStyle>

namespace pix {

namespace {

// Each icon's freedesktop.org name and the widget style's picture when the theme has none.
struct IconSource {
    const char* themeName;
    QStyle::StandardPixmap fallback;
};

IconSource iconSource(CommandIcon icon) {
    using SP = QStyle::StandardPixmap;
    switch (icon) {
    case CommandIcon::Remove:
        return {"list-remove", SP::SP_TrashIcon};
    case CommandIcon::Open:
        return {"document-open", SP::SP_DialogOpenButton};
    case CommandIcon::SelectAll:
        return {"edit-select-all", SP::SP_DialogYesButton};
    case CommandIcon::Properties:
        return {"document-properties", SP::SP_FileDialogInfoView};
    case CommandIcon::Clear:
        return {"edit-clear", SP::SP_DialogResetButton};
    case CommandIcon::Preferences:
        return {"preferences-system", SP::SP_FileDialogDetailedView};
    case CommandIcon::Add:
        return {"list-add", SP::SP_ArrowDown};
    case CommandIcon::Start:
        return {"media-playback-start", SP::SP_MediaPlay};
    case CommandIcon::ChangeView:
        return {"view-list-icons", SP::SP_FileDialogListView};
    case CommandIcon::Refresh:
        return {"view-refresh", SP::SP_BrowserReload};
    case CommandIcon::Help:
        return {"help-contents", SP::SP_DialogHelpButton};
    case CommandIcon::Stop:
        return {"media-playback-stop", SP::SP_MediaStop};
    case CommandIcon::OpenFolder:
        return {"folder-open", SP::SP_DirOpenIcon};
    case CommandIcon::Copy:
        return {"edit-copy", SP::SP_FileIcon};
    case CommandIcon::About:
        return {"help-about", SP::SP_MessageBoxInformation};
    case CommandIcon::Exit:
        return {"application-exit", SP::SP_DialogCloseButton};
    case CommandIcon::None:
        break;
    }
    return {nullptr, SP::SP_CustomBase};
}

} // namespace

QIcon commandIcon(CommandId id, const QWidget* styleSource) {
    const IconSource source = iconSource(commandInfo(id).icon);
    if (source.themeName == nullptr)
        return {};
    const QIcon themed = QIcon::fromTheme(QLatin1String(source.themeName));
    if (!themed.isNull())
        return themed;
    const QStyle* style = styleSource ? styleSource->style() : QApplication::style();
    return style ? style->standardIcon(source.fallback) : QIcon();
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
