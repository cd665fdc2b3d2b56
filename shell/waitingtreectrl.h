// The Qt tree under the folder tree: a QTreeWidget that carries out the tree-control operations
// of TreeControl and reports openings, closings and deleted records to a TreeNotify (the
// waiting-tree protocol). Each item's icon comes from the tree's image list by index, with a
// second image while the item is selected and an optional overlay mark.
#pragma once

#include "shell/treecontrol.h"

#include <QHash>
#include <QIcon>
#include <QList>
#include <QTreeWidget>

namespace pix {

class CWaitingTreeCtrl : public QTreeWidget, public TreeControl {
public:
    explicit CWaitingTreeCtrl(QWidget* parent = nullptr);
    /// Deletes every item first, so that their records are reported while this tree exists.
    ~CWaitingTreeCtrl() override;

    /// Where openings, closings and deleted records are reported; null for nowhere.
    void SetNotify(TreeNotify* notify) { notify_ = notify; }
    /// The icons that items name by index (the normal image list); overlay icons by number.
    void SetImageList(const QList<QIcon>& images, const QList<QIcon>& overlays);
    /// Deletes every item, reporting each record.
    void DeleteAllItems();

    static QTreeWidgetItem* ItemOf(TreeItem item) { return static_cast<QTreeWidgetItem*>(item); }

    TreeItem RootItem() const override;
    TreeItem ChildItem(TreeItem item) const override;
    TreeItem NextSibling(TreeItem item) const override;
    TreeItem ParentItem(TreeItem item) const override;
    bool IsExpanded(TreeItem item) const override;
    void SelectItem(TreeItem item) override;
    TreeItem FirstVisibleItem() const override;
    TreeItem CaretItem() const override;
    void* ItemParam(TreeItem item) const override;
    TreeItem InsertItem(const TreeInsert& request) override;
    void DeleteItem(TreeItem item) override;
    void SetItemChildren(TreeItem item, bool children) override;
    void ClearExpandedState(TreeItem item) override;
    void EnsureVisible(TreeItem item) override;
    void SetRedraw(bool on) override;
    void UpdateWindow() override;
    void PostScrollLeft() override;
    void SortChildren(TreeItem item, const std::function<int(void*, void*)>& compare) override;

protected:
    /// "*" opens only the current item: opening every descendant would read whole disks, and
    /// never end under a link to an ancestor folder.
    void keyPressEvent(QKeyEvent* event) override;
    /// The item's label rectangle in the tree's own coordinates (for wait effects).
    QRect ItemTextRect(TreeItem item) const;

private:
    class Item;
    QIcon ItemIcon(int image, int selectedImage, int overlay);

    TreeNotify* notify_ = nullptr;
    bool quietExpand_ = false; // expanded state changed by the tree itself: no notification
    QList<QIcon> images_;
    QList<QIcon> overlays_;
    QHash<quint32, QIcon> composed_;
};

} // namespace pix
