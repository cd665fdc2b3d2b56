// The tree-control operations the waiting tree and the folder tree need, apart from any
// widget: the Qt tree implements them, the tests implement them in memory.
#pragma once

#include <QString>
#include <functional>

namespace pix {

/// An item of the tree; null for none. The root (RootItem) stands for the top level.
using TreeItem = void*;

/// An item to insert at the end of parent's children, with the fields that mask names.
struct TreeInsert {
    enum Field : unsigned {
        Text = 0x1,
        Image = 0x2,
        SelectedImage = 0x4,
        Children = 0x8,
        State = 0x10,
        Param = 0x20,
    };
    unsigned mask = 0;
    TreeItem parent = nullptr;
    QString text;
    int image = -1;         // index into the tree's image list; -1 for none
    int selectedImage = -1; // the image while the item is selected
    bool children = false;  // shows an expand button before its children are known
    bool cut = false;       // drawn dimmed
    int overlay = 0;        // 0 none, 1 shared, 2 shortcut
    void* param = nullptr;  // the item's data record, owned by the item
    // Where among parent's children: at the end, unless placed: then right after `after`
    // (first when `after` is null).
    bool placed = false;
    TreeItem after = nullptr;
};

/// What the tree reports back (the notifications a tree control sends).
class TreeNotify {
public:
    virtual ~TreeNotify() = default;
    /// Before an item opens (only for opening).
    virtual void OnItemExpanding(TreeItem item) = 0;
    /// After an item opened (expand true) or closed.
    virtual void OnItemExpanded(TreeItem item, bool expand) = 0;
    /// An item with a data record is being deleted: the record is to be freed.
    virtual void OnDeleteItem(void* param) = 0;
    /// The selected (caret) item changed to item (null for none).
    virtual void OnCaretChanged(TreeItem item) { (void)item; }
};

class TreeControl {
public:
    virtual ~TreeControl() = default;

    virtual TreeItem RootItem() const = 0;
    virtual TreeItem ChildItem(TreeItem item) const = 0;
    virtual TreeItem NextSibling(TreeItem item) const = 0;
    /// The item's parent; RootItem() for a top-level item.
    virtual TreeItem ParentItem(TreeItem item) const = 0;
    /// Whether the item is open (its children shown while its ancestors are open).
    virtual bool IsExpanded(TreeItem item) const = 0;
    virtual TreeItem FirstVisibleItem() const = 0;
    /// The selected (caret) item, or null.
    virtual TreeItem CaretItem() const = 0;
    virtual void* ItemParam(TreeItem item) const = 0;
    /// Makes the item the selected (caret) one and scrolls it into view.
    virtual void SelectItem(TreeItem item) = 0;

    virtual TreeItem InsertItem(const TreeInsert& request) = 0;
    /// Deletes the item and its children, reporting each record to the notify sink.
    virtual void DeleteItem(TreeItem item) = 0;
    /// Shows or hides the item's expand button while it has no children.
    virtual void SetItemChildren(TreeItem item, bool children) = 0;
    /// Marks the item closed without any notification.
    virtual void ClearExpandedState(TreeItem item) = 0;
    virtual void EnsureVisible(TreeItem item) = 0;
    /// Switches drawing on and off; while off, the control keeps showing what it last drew.
    virtual void SetRedraw(bool on) = 0;
    /// Paints at once what needs painting.
    virtual void UpdateWindow() = 0;
    /// Scrolls fully to the left once the current notification is over.
    virtual void PostScrollLeft() = 0;
    /// Sorts the item's children by compare (negative, 0, positive) over their data records;
    /// equal items keep their order.
    virtual void SortChildren(TreeItem item, const std::function<int(void*, void*)>& compare) = 0;

    /// Effects shown while an item's children are being filled; none by default.
    virtual void BeginWaitEffect(TreeItem item) { (void)item; }
    /// tick: the moment to advance an animation; otherwise progress: current of total
    /// (total 0 when the number is open).
    virtual void StepWaitEffect(bool tick, int total, int current) {
        (void)tick, (void)total, (void)current;
    }
    virtual void EndWaitEffect() {}
};

} // namespace pix
