#include "shell/waitingtree.h"

namespace pix {

namespace {
// Wait effects are redrawn at most this often, so that drawing them costs little of a fill.
constexpr qint64 kStepMs = 100;
} // namespace

bool WaitingTree::RefreshOnExpand(TreeItem) {
    return false;
}

void WaitingTree::OnDeleteItem(void*) {}

void WaitingTree::OnItemExpanding(TreeItem item) {
    PrepareExpand(item);
}

void WaitingTree::OnItemExpanded(TreeItem item, bool expand) {
    if (expand)
        FinishExpand(item);
    else if (RefreshOnExpand(item))
        DeleteChildren(item);
    control_.PostScrollLeft();
}

void WaitingTree::PrepareExpand(TreeItem item) {
    if (control_.ChildItem(item)) {
        if (!RefreshOnExpand(item)) {
            pendingItem_ = nullptr; // already filled: nothing to do
            return;
        }
        DeleteChildren(item);
    }
    pendingItem_ = item;
    control_.UpdateWindow();
    control_.SetRedraw(false);
    TreeInsert placeholder;
    placeholder.mask = TreeInsert::Text;
    placeholder.parent = item;
    placeholder.text = placeholderText_;
    placeholderItem_ = control_.InsertItem(placeholder);
    SetProgress(1, 0);
}

void WaitingTree::FinishExpand(TreeItem item) {
    if (!pendingItem_)
        return;
    if (showWait_) {
        // Let the "Loading..." child be seen under the opened item before the fill starts.
        control_.SetRedraw(true);
        control_.EnsureVisible(placeholderItem_);
        control_.UpdateWindow();
        control_.BeginWaitEffect(item);
        effectsOn_ = true;
        sinceStep_.start();
    }
    control_.SetRedraw(false);
    snapshotActive_ = true;
    control_.DeleteItem(placeholderItem_);
    placeholderItem_ = nullptr;

    const bool followFound = FillChildren(item);
    if (item != control_.RootItem())
        CorrectButton(item, followFound);

    if (effectsOn_) {
        control_.EndWaitEffect();
        effectsOn_ = false;
    }
    snapshotActive_ = false;
    control_.SetRedraw(true);
    ScrollChildrenIntoView(item);
}

void WaitingTree::CorrectButton(TreeItem item, bool followFound) {
    const bool hasChild = control_.ChildItem(item) != nullptr;
    if (followFound)
        control_.SetItemChildren(item, hasChild);
    else if (!hasChild)
        control_.ClearExpandedState(item); // stays closed with its button; tried again later
}

void WaitingTree::ScrollChildrenIntoView(TreeItem item) {
    for (TreeItem child = control_.ChildItem(item); child; child = control_.NextSibling(child)) {
        if (control_.FirstVisibleItem() == item)
            break;
        control_.EnsureVisible(child);
    }
}

void WaitingTree::DeleteChildren(TreeItem item) {
    TreeItem child = control_.ChildItem(item);
    while (child) {
        TreeItem next = control_.NextSibling(child);
        control_.DeleteItem(child);
        child = next;
    }
}

void WaitingTree::SetProgress(int total, int current) {
    progressTotal_ = total;
    progressCurrent_ = current;
    StepEffects();
}

void WaitingTree::AddProgress(int count) {
    progressCurrent_ += count;
    StepEffects();
}

int WaitingTree::GetProgress(int* total) const {
    if (total)
        *total = progressTotal_;
    return progressCurrent_;
}

void WaitingTree::StepEffects() {
    if (!effectsOn_ || sinceStep_.elapsed() < kStepMs)
        return;
    sinceStep_.restart();
    control_.StepWaitEffect(true, progressTotal_, progressCurrent_);
    control_.StepWaitEffect(false, progressTotal_, progressCurrent_);
}

} // namespace pix
