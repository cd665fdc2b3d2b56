// The folder tree's logic: the namespace from the desktop down, folders only, each folder's
// children in the folder's own order, filled on first opening through the waiting tree.
#pragma once

#include "shell/shellfolder.h"
#include "shell/waitingtree.h"

namespace pix {

/// The data record of one tree item, owned by the item.
struct ShellItemData {
    ShellRef<ShellFolder> parentFolder; // the folder that holds the item
    CShellPidl idList;                  // the item's absolute list
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

    void OnDeleteItem(void* param) override;

private:
    ShellFolder* desktop_;
};

} // namespace pix
