// Opening the Folders tree down to a folder and selecting it, as a person clicking through the
// tree would: the window's last folder at a new start.
#pragma once

#include <QString>

namespace pix {

class CTabDockWnd;

// Expands the tree from its top along the folder's path and selects the folder's item. False,
// and the selection left alone, when the tree has no item on the way (the folder is gone, or
// lies where the tree does not reach).
bool selectFolderInTree(CTabDockWnd& tab, const QString& folder);

} // namespace pix
