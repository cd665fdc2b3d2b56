// The small icons of the folder tree, as indices into the tree's image list. The widget side
// turns each into an icon of the desktop's theme.
#pragma once

#include "shell/idlist.h"

namespace pix {

enum ShellIcon : int {
    kIconComputer = 0, // the desktop, the root of the tree
    kIconHome,
    kIconRoot,  // the file-system root
    kIconMedia, // a removable medium
    kIconFolder,
    kIconFolderOpen,
    kIconCount
};

/// The icon of the item an absolute list names; open asks for the icon shown while selected.
ShellIcon ShellIconOf(const ItemIdList* absolute, bool open);

} // namespace pix
