// The folder tree's logic: the namespace from the desktop down, folders only, each folder's
// children in the folder's own order, filled on first opening through the waiting tree.
//
// The tree follows the disk: every folder shown open and the selected one are watched
// (FolderWatch), and a change there, a Refresh or a reopening reads its children again and inserts
// and removes only what differs. A folder found gone leaves the tree; when it held the selection,
// the selection moves to its nearest ancestor that still exists and the gone handler is told.
#pragma once

#include "shell/shellfolder.h"
#include "shell/waitingtree.h"

#include <QMultiHash>
#include <QStringList>
#include <functional>
#include <vector>

namespace pix {

class FolderWatch;

/// The data record of one tree item, owned by the item.
struct ShellItemData {
    ShellRef<ShellFolder> parentFolder; // the folder that holds the item
    CShellPidl idList;                  // the item's absolute list
    TreeItem item = nullptr;            // the item it belongs to
    bool shownOpen = false;             // open with every ancestor open
    QStringList watchedPaths{};         // while shown open or selected: the paths watched
};

class ShellTree : public WaitingTree {
public:
    /// Longest label: the insertion buffer holds 260 characters with the terminator.
    static constexpr int kMaxLabel = 259;

    explicit ShellTree(TreeControl& control);
    /// Deletes every item (freeing the records) while the records' owner still exists.
    ~ShellTree() override;

    /// Inserts the single top-level item, the desktop. It is not opened here.
    void InitRoot();
    bool FillChildren(TreeItem item) override;
    /// Lists the sub-folders of the folder named by absolute under parent; false when the
    /// folder cannot be bound.
    bool EnumerateChildren(TreeItem parent, const ItemIdList* absolute);
    void InsertChildItem(TreeItem parent, ShellFolder* parentFolder, const ItemIdList* parentList,
                         const ItemIdList* childId);
    /// Fills the fields request.mask asks for from the record in request.param.
    void FillItemAttributes(TreeInsert& request) const;
    /// Orders two siblings' records as their parent folder orders them.
    static int CompareSiblings(void* data1, void* data2);
    /// The file-system path of the selected item; empty when none is selected or the item has
    /// no path (the desktop).
    QString SelectedFolderPath() const;
    /// The file-system path of any item; empty when it has none.
    QString ItemPath(TreeItem item) const;

    /// Where the tree says which folders it shows open; null for nowhere. It must outlive the
    /// items.
    void SetFolderWatch(FolderWatch* watch) { watch_ = watch; }
    /// Told the path of the selected folder when it is found gone, after the selection moved to
    /// its nearest ancestor that still exists.
    void SetGoneHandler(std::function<void(const QString& path)> gone) { gone_ = std::move(gone); }
    /// Reads the children of the item's folder again, or, when the folder is gone, those of its
    /// nearest ancestor that exists (which drops the gone branch). Answers the item read.
    TreeItem Refresh(TreeItem item);
    /// Refresh of the selected item; true when the selection moved because its folder was gone.
    bool RefreshSelected();
    /// The watched folders at these paths changed: each item watching one is read again.
    void FoldersChanged(const QStringList& paths);

    void OnItemExpanded(TreeItem item, bool expand) override;
    void OnDeleteItem(void* param) override;
    void OnCaretChanged(TreeItem item) override;

private:
    TreeItem InsertChild(TreeItem parent, TreeItem after, bool placed, ShellFolder* parentFolder,
                         const ItemIdList* parentList, const ItemIdList* childId);
    bool FolderExists(TreeItem item) const;
    /// Brings the item's children in line with its folder.
    void SyncChildren(TreeItem item);
    /// When the selection lies in one of the children that go, selects item instead and
    /// answers the path that was selected; otherwise answers nothing.
    QString LeaveGoneBranches(TreeItem item, const std::vector<TreeItem>& gone);
    /// Watches an item just shown open and its open descendants, reading again (read) those
    /// that were hidden and so not watched.
    void ShowOpen(TreeItem item, bool read);
    /// Stops watching an item and its descendants.
    void HideOpen(TreeItem item);
    /// Watches the record's folder while it is shown open or selected, and only then. The
    /// desktop's are the folders where media are mounted.
    void UpdateWatch(ShellItemData* record);

    ShellFolder* desktop_;
    FolderWatch* watch_ = nullptr;
    std::function<void(const QString&)> gone_;
    QMultiHash<QString, ShellItemData*> watched_;
    ShellItemData* selected_ = nullptr;
    bool caretMoved_ = false;
};

} // namespace pix
