#include "app/commands.h"

#include <QString>
#include <algorithm>
#include <array>

namespace pix {

namespace {

using L = QLatin1String;
using I = CommandIcon;

const std::array kCommands{
    CommandInfo{CommandId::RemoveSelected, L("Remove"), L("Remove"), L("Remove"), I::Remove},
    CommandInfo{CommandId::View, L("View"), L("View"), L(), I::Open},
    CommandInfo{CommandId::SelectAll, L("Select All"), L("Select All"), L(), I::SelectAll},
    CommandInfo{CommandId::Settings, L("Settings"), L("Settings"), L("Settings"), I::Properties},
    CommandInfo{CommandId::RemoveAll, L("Remove All"), L("Remove All"), L(), I::Clear},
    CommandInfo{CommandId::Options, L("Options"), L("Options"), L(), I::Preferences},
    CommandInfo{CommandId::AddImage, L("Add image"), L("Add image"), L("Add image"), I::Add},
    CommandInfo{CommandId::Remove, L("Remove"), L("Remove"), L("Remove"), I::Remove},
    CommandInfo{CommandId::Start, L("Start"), L("Start"), L("Start"), I::Start},
    CommandInfo{CommandId::ChangeView, L("Change View"), L("Change View"), L("Change View"),
                I::ChangeView},
    CommandInfo{CommandId::Refresh, L("Refresh"), L("Refresh"), L("Refresh"), I::Refresh},
    CommandInfo{CommandId::HelpTopics, L("Help Topics"), L("Help"), L("Help"), I::Help},
    CommandInfo{CommandId::Stop, L("Stop"), L("Stop"), L("Stop"), I::Stop},
    CommandInfo{CommandId::OpenContainingFolder, L("Open Containing Folder"), L(), L(),
                I::OpenFolder},
    CommandInfo{CommandId::CopyToClipboard, L("Copy to Clipboard"), L(), L(), I::Copy},
    CommandInfo{CommandId::Clear, L("Clear"), L(), L(), I::Clear},
    CommandInfo{CommandId::About, L("&About Pixovia..."), L(), L(), I::About},
    CommandInfo{CommandId::Exit, L("E&xit"), L(), L(), I::Exit},
    CommandInfo{CommandId::Toolbar, L("&Toolbar"), L(), L(), I::None},
    CommandInfo{CommandId::StatusBar, L("&Status Bar"), L(), L(), I::None},
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
    static const CommandInfo none{CommandId::None, L(), L(), L(), I::None};
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
