// An in-memory tree control for the trees' logic: keeps items as plain nodes, logs the calls
// the protocol makes, and plays the control's part in opening and closing items.
#pragma once

#include "shell/treecontrol.h"

#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace pix {

class FakeTree : public TreeControl {
public:
    struct Node {
        Node* parent = nullptr;
        std::vector<std::unique_ptr<Node>> children;
        TreeInsert fields;
        bool expanded = false;
    };

    FakeTree() = default;
    ~FakeTree() override;

    void SetNotify(TreeNotify* notify) { notify_ = notify; }
    /// Opens or closes an item as the control does when the user clicks its button.
    void Expand(TreeItem item);
    void Collapse(TreeItem item);
    /// Selects an item as the user does.
    void Select(TreeItem item);

    static Node* NodeOf(TreeItem item) { return static_cast<Node*>(item); }
    Node* Root() { return &root_; }
    QStringList Labels(TreeItem item) const;
    Node* Find(TreeItem parent, const QString& label) const;

    QStringList log;
    TreeItem firstVisible = nullptr;
    std::function<void(TreeItem)> onEnsureVisible;
    std::function<void()> onDelete; // called for every data record reported

    TreeItem RootItem() const override { return const_cast<Node*>(&root_); }
    TreeItem ChildItem(TreeItem item) const override;
    TreeItem NextSibling(TreeItem item) const override;
    TreeItem ParentItem(TreeItem item) const override { return NodeOf(item)->parent; }
    bool IsExpanded(TreeItem item) const override {
        return item == &root_ || NodeOf(item)->expanded;
    }
    void SelectItem(TreeItem item) override;
    TreeItem FirstVisibleItem() const override { return firstVisible; }
    TreeItem CaretItem() const override { return caret_; }
    void* ItemParam(TreeItem item) const override;
    TreeItem InsertItem(const TreeInsert& request) override;
    void DeleteItem(TreeItem item) override;
    void SetItemChildren(TreeItem item, bool children) override;
    void ClearExpandedState(TreeItem item) override;
    void EnsureVisible(TreeItem item) override;
    void SetRedraw(bool on) override;
    void UpdateWindow() override { log << "paint"; }
    void PostScrollLeft() override { log << "scroll left"; }
    void SortChildren(TreeItem item, const std::function<int(void*, void*)>& compare) override;
    void BeginWaitEffect(TreeItem) override { log << "begin effect"; }
    void EndWaitEffect() override { log << "end effect"; }

private:
    void Report(Node* node);

    Node root_;
    TreeNotify* notify_ = nullptr;
    TreeItem caret_ = nullptr;
};

} // namespace pix
