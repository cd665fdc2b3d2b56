#include "faketree.h"

#include <algorithm>

namespace pix {

FakeTree::~FakeTree() {
    notify_ = nullptr;
}

void FakeTree::Expand(TreeItem item) {
    if (notify_)
        notify_->OnItemExpanding(item);
    NodeOf(item)->expanded = true;
    if (notify_)
        notify_->OnItemExpanded(item, true);
}

void FakeTree::Collapse(TreeItem item) {
    NodeOf(item)->expanded = false;
    if (notify_)
        notify_->OnItemExpanded(item, false);
}

QStringList FakeTree::Labels(TreeItem item) const {
    QStringList labels;
    for (const auto& child : NodeOf(item)->children)
        labels << child->fields.text;
    return labels;
}

FakeTree::Node* FakeTree::Find(TreeItem parent, const QString& label) const {
    for (const auto& child : NodeOf(parent)->children) {
        if (child->fields.text == label)
            return child.get();
    }
    return nullptr;
}

TreeItem FakeTree::ChildItem(TreeItem item) const {
    Node* node = NodeOf(item);
    return node->children.empty() ? nullptr : node->children.front().get();
}

TreeItem FakeTree::NextSibling(TreeItem item) const {
    Node* node = NodeOf(item);
    auto& siblings = node->parent->children;
    auto at = std::find_if(siblings.begin(), siblings.end(),
                           [node](const auto& child) { return child.get() == node; });
    return ++at == siblings.end() ? nullptr : at->get();
}

void* FakeTree::ItemParam(TreeItem item) const {
    return item == &root_ ? nullptr : NodeOf(item)->fields.param;
}

TreeItem FakeTree::InsertItem(const TreeInsert& request) {
    Node* parent = NodeOf(request.parent);
    auto node = std::make_unique<Node>();
    node->parent = parent;
    node->fields = request;
    log << "insert " + request.text;
    Node* inserted = node.get();
    auto at = parent->children.end();
    if (request.placed) {
        at = parent->children.begin();
        if (request.after)
            at = std::next(
                std::find_if(parent->children.begin(), parent->children.end(),
                             [&](const auto& child) { return child.get() == request.after; }));
    }
    parent->children.insert(at, std::move(node));
    return inserted;
}

void FakeTree::Select(TreeItem item) {
    caret_ = item;
    if (notify_)
        notify_->OnCaretChanged(item);
}

void FakeTree::SelectItem(TreeItem item) {
    log << "select " + NodeOf(item)->fields.text;
    Select(item);
}

void FakeTree::Report(Node* node) {
    for (auto& child : node->children)
        Report(child.get());
    if ((node->fields.mask & TreeInsert::Param) && node->fields.param) {
        if (onDelete)
            onDelete();
        if (notify_)
            notify_->OnDeleteItem(node->fields.param);
    }
}

void FakeTree::DeleteItem(TreeItem item) {
    Node* node = NodeOf(item);
    log << "delete " + node->fields.text;
    Report(node);
    for (Node* up = NodeOf(caret_); up; up = up->parent) {
        if (up == node) {
            Select(nullptr); // the caret goes with its subtree
            break;
        }
    }
    auto& siblings = node->parent->children;
    siblings.erase(std::find_if(siblings.begin(), siblings.end(),
                                [node](const auto& child) { return child.get() == node; }));
}

void FakeTree::SetItemChildren(TreeItem item, bool children) {
    NodeOf(item)->fields.children = children;
    log << QStringLiteral("children %1").arg(children);
}

void FakeTree::ClearExpandedState(TreeItem item) {
    NodeOf(item)->expanded = false;
    log << "closed";
}

void FakeTree::EnsureVisible(TreeItem item) {
    log << "show " + NodeOf(item)->fields.text;
    if (onEnsureVisible)
        onEnsureVisible(item);
}

void FakeTree::SetRedraw(bool on) {
    log << (on ? "redraw on" : "redraw off");
}

void FakeTree::SortChildren(TreeItem item, const std::function<int(void*, void*)>& compare) {
    log << "sort";
    auto& children = NodeOf(item)->children;
    std::stable_sort(children.begin(), children.end(), [&](const auto& a, const auto& b) {
        return compare(a->fields.param, b->fields.param) < 0;
    });
}

} // namespace pix
