// The window's commands in one table: each command's id, its menu text, its tool tip and
// status-bar text and what its icon shows. Menus, the toolbar and the context menus are built from
// this table; what a command does and when it is enabled belongs to the pane that handles it
// (commandrouter.h).
#pragma once

#include <QLatin1String>
#include <span>

namespace pix {

// The command ids. They keep the numbers the resources have always used, so a saved toolbar
// layout and every list of ids agree.
enum class CommandId : int {
    None = 0,
    RemoveSelected = 32774, // "Remove" in the job list's context menu
    View = 32775,
    SelectAll = 32776,
    Settings = 32778,
    RemoveAll = 32779,
    Options = 32780,
    AddImage = 32781,
    Remove = 32782, // "Remove" in the Action menu and on the toolbar
    Start = 32783,
    ChangeView = 32785,
    Refresh = 32786,
    HelpTopics = 32788,
    Stop = 32790, // ends a run after the row being written
    OpenContainingFolder = 1000,
    CopyToClipboard = 1001,
    Clear = 1002,
    About = 57664,
    Exit = 57665,
    Toolbar = 59392,
    StatusBar = 59393,
};

// What a command's icon shows. The window layer draws it from the desktop's icon theme, or
// from the widget style when the theme has none.
enum class CommandIcon {
    None,
    Remove,
    Open,
    SelectAll,
    Properties,
    Clear,
    Preferences,
    Add,
    Start,
    ChangeView,
    Refresh,
    Help,
    Stop,
    OpenFolder,
    Copy,
    About,
    Exit,
};

struct CommandInfo {
    CommandId id;
    QLatin1String text;      // menu text, "&" before the mnemonic
    QLatin1String toolTip;   // empty: the text without "&"
    QLatin1String statusTip; // empty: none
    CommandIcon icon;
};

std::span<const CommandInfo> commandTable();
// The command's row; a row with an empty text for an unknown id.
const CommandInfo& commandInfo(CommandId id);

// The command's text as a screen reader says it: without the mnemonic's "&" and a trailing
// "...".
QString plainText(CommandId id);

// The entries of a menu or toolbar, in order; None stands for a separator.
using CommandList = std::span<const CommandId>;

CommandList fileMenu();
CommandList actionMenu();
CommandList viewMenu();
CommandList helpMenu();
CommandList toolbarButtons();
CommandList jobListContextMenu(); // menu 141

} // namespace pix
