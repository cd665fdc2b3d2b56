// The folder tree as a widget: the namespace from the desktop down (ShellTree), shown in the
// Qt tree with the desktop theme's icons, following the disk in the folders it shows open.
#pragma once

#include "shell/folderwatcher.h"
#include "shell/shelltree.h"
#include "shell/waitingtreectrl.h"

namespace pix {

class CShellTreeCtrl : public CWaitingTreeCtrl {
public:
    explicit CShellTreeCtrl(QWidget* parent = nullptr);
    ~CShellTreeCtrl() override;

    /// Takes the desktop theme's icons as the tree's image list.
    void UseSystemImageList();
    /// Inserts the desktop as the single top-level item, not yet opened.
    void InitRoot() { logic_.InitRoot(); }
    /// The file-system path of the selected folder; empty when none is selected or the item
    /// has no path (the desktop).
    QString SelectedFolderPath() const { return logic_.SelectedFolderPath(); }
    /// The file-system path of any item; empty when it has none.
    QString ItemPath(QTreeWidgetItem* item) const { return logic_.ItemPath(item); }

    ShellTree& logic() { return logic_; }
    const ShellTree& logic() const { return logic_; }
    FolderWatcher& watcher() { return watcher_; }

private:
    FolderWatcher watcher_; // outlives the items, which stop their watches when deleted
    ShellTree logic_;
};

} // namespace pix
