#include "app/commands.h"

#include <QString>
#include <algorithm>
#include <array>

namespace pix {

namespace {

using L = QLatin1String;
using SP = QStyle::StandardPixmap;

const std::array kCommands{
    CommandInfo{CommandId::RemoveSelected, L("Remove"), L("Remove"), L("Remove"), L("list-remove"),
                SP::SP_TrashIcon},
    CommandInfo{CommandId::View, L("View"), L("View"), L(), L("document-open"),
                SP::SP_DialogOpenButton},
    CommandInfo{CommandId::SelectAll, L("Select All"), L("Select All"), L(), L("edit-select-all"),
                SP::SP_DialogYesButton},
    CommandInfo{CommandId::Settings, L("Settings"), L("Settings"), L("Settings"),
                L("document-properties"), SP::SP_FileDialogInfoView},
    CommandInfo{CommandId::RemoveAll, L("Remove All"), L("Remove All"), L(), L("edit-clear"),
                SP::SP_DialogResetButton},
    CommandInfo{CommandId::Options, L("Options"), L("Options"), L(), L("preferences-system"),
                SP::SP_FileDialogDetailedView},
    CommandInfo{CommandId::AddImage, L("Add image"), L("Add image"), L("Add image"), L("list-add"),
                SP::SP_ArrowDown},
    CommandInfo{CommandId::Remove, L("Remove"), L("Remove"), L("Remove"), L("list-remove"),
                SP::SP_TrashIcon},
    CommandInfo{CommandId::Start, L("Start"), L("Start"), L("Start"), L("media-playback-start"),
                SP::SP_MediaPlay},
    CommandInfo{CommandId::ChangeView, L("Change View"), L("Change View"), L("Change View"),
                L("view-list-icons"), SP::SP_FileDialogListView},
    CommandInfo{CommandId::Refresh, L("Refresh"), L("Refresh"), L("Refresh"), L("view-refresh"),
                SP::SP_BrowserReload},
    CommandInfo{CommandId::HelpTopics, L("Help Topics"), L("Help"), L("Help"), L("help-contents"),
                SP::SP_DialogHelpButton},
    CommandInfo{CommandId::Stop, L("Stop"), L("Stop"), L("Stop"), L("media-playback-stop"),
                SP::SP_MediaStop},
    CommandInfo{CommandId::OpenContainingFolder, L("Open Containing Folder"), L(), L(),
                L("folder-open"), SP::SP_DirOpenIcon},
    CommandInfo{CommandId::CopyToClipboard, L("Copy to Clipboard"), L(), L(), L("edit-copy"),
                SP::SP_FileIcon},
    CommandInfo{CommandId::Clear, L("Clear"), L(), L(), L("edit-clear"), SP::SP_DialogResetButton},
    CommandInfo{CommandId::About, L("&About Vantrel..."), L(), L(), L("help-about"),
                SP::SP_MessageBoxInformation},
    CommandInfo{CommandId::Exit, L("E&xit"), L(), L(), L("application-exit"),
                SP::SP_DialogCloseButton},
    CommandInfo{CommandId::Toolbar, L("&Toolbar"), L(), L(), L(), SP::SP_TitleBarMenuButton},
    CommandInfo{CommandId::StatusBar, L("&Status Bar"), L(), L(), L(), SP::SP_TitleBarMenuButton},
};

constexpr CommandId kSep = CommandId::None;

constexpr std::array kFileMenu{CommandId::Options, kSep, CommandId::Exit};
constexpr std::array kActionMenu{
    CommandId::AddImage, CommandId::ChangeView, CommandId::Refresh, kSep,
    CommandId::Remove,   CommandId::Settings,   CommandId::Start,   CommandId::Stop};
constexpr std::array kViewMenu{CommandId::Toolbar, CommandId::StatusBar};
constexpr std::array kHelpMenu{CommandId::HelpTopics, kSep, CommandId::About};
constexpr std::array kToolbar{
    CommandId::Refresh,  CommandId::AddImage, CommandId::ChangeView, kSep, CommandId::Remove,
    CommandId::Settings, CommandId::Start,    CommandId::Stop,       kSep, CommandId::HelpTopics};
constexpr std::array kJobListMenu{
    CommandId::View,      kSep, CommandId::RemoveSelected, kSep, CommandId::SelectAll,
    CommandId::RemoveAll, kSep, CommandId::Settings};

} // namespace

std::span<const CommandInfo> commandTable() {
    return kCommands;
}

const CommandInfo& commandInfo(CommandId id) {
    static const CommandInfo none{CommandId::None, L(), L(), L(), L(), SP::SP_CustomBase};
    const auto it = std::find_if(kCommands.begin(), kCommands.end(),
                                 [id](const CommandInfo& info) { return info.id == id; });
    return it == kCommands.end() ? none : *it;
}

QString plainText(CommandId id) {
    QString text = commandInfo(id).text;
    text.remove(u'&');
    if (text.endsWith(QLatin1String("...")))
        text.chop(3);
    return text;
}

CommandList fileMenu() {
    return kFileMenu;
}
CommandList actionMenu() {
    return kActionMenu;
}
CommandList viewMenu() {
    return kViewMenu;
}
CommandList helpMenu() {
    return kHelpMenu;
}
CommandList toolbarButtons() {
    return kToolbar;
}
CommandList jobListContextMenu() {
    return kJobListMenu;
}

} // namespace pix
