#include "shell/waitingtreectrl.h"

#include "shell/shellimagelist.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <algorithm>

namespace pix {

/// An item that owns a data record and reports it when deleted.
class CWaitingTreeCtrl::Item : public QTreeWidgetItem {
public:
    static constexpr int kType = QTreeWidgetItem::UserType + 1;
    Item(CWaitingTreeCtrl* owner, void* param)
        : QTreeWidgetItem(kType), owner_(owner), param_(param) {}
    ~Item() override {
        if (param_ && owner_->notify_)
            owner_->notify_->OnDeleteItem(param_);
    }
    void* param() const { return param_; }

private:
    CWaitingTreeCtrl* owner_;
    void* param_;
};

CWaitingTreeCtrl::CWaitingTreeCtrl(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(1);
    setHeaderHidden(true);
    setUniformRowHeights(true); // lays out long folders without measuring every row
    setSelectionMode(QAbstractItemView::SingleSelection);
    const int icon = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
    setIconSize(QSize(icon, icon));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        if (quietExpand_ || !notify_)
            return;
        notify_->OnItemExpanding(item);
        notify_->OnItemExpanded(item, true);
    });
    connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
        if (notify_)
            notify_->OnCaretChanged(current);
    });
    connect(this, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) {
        if (!quietExpand_ && notify_)
            notify_->OnItemExpanded(item, false);
    });
}

CWaitingTreeCtrl::~CWaitingTreeCtrl() {
    DeleteAllItems();
}

void CWaitingTreeCtrl::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Asterisk) {
        if (QTreeWidgetItem* item = currentItem())
            expandItem(item);
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void CWaitingTreeCtrl::DeleteAllItems() {
    clear();
}

void CWaitingTreeCtrl::SetImageList(const QList<QIcon>& images, const QList<QIcon>& overlays) {
    images_ = images;
    overlays_ = overlays;
    composed_.clear();
}

QIcon CWaitingTreeCtrl::ItemIcon(int image, int selectedImage, int overlay) {
    auto valid = [this](int index) { return index >= 0 && index < images_.size(); };
    if (!valid(image))
        return BlankIcon(iconSize());
    if (!valid(selectedImage))
        selectedImage = image;
    const quint32 key = quint32(image) | quint32(selectedImage) << 8 | quint32(overlay) << 16;
    auto found = composed_.constFind(key);
    if (found != composed_.cend())
        return *found;
    const QIcon mark = overlay > 0 && overlay < overlays_.size() ? overlays_[overlay] : QIcon();
    const QIcon icon = ComposeItemIcon(images_[image], images_[selectedImage], mark);
    composed_.insert(key, icon);
    return icon;
}

TreeItem CWaitingTreeCtrl::RootItem() const {
    return invisibleRootItem();
}

TreeItem CWaitingTreeCtrl::ChildItem(TreeItem item) const {
    QTreeWidgetItem* parent = ItemOf(item);
    return parent && parent->childCount() > 0 ? parent->child(0) : nullptr;
}

TreeItem CWaitingTreeCtrl::NextSibling(TreeItem item) const {
    QTreeWidgetItem* child = ItemOf(item);
    QTreeWidgetItem* parent = child ? child->parent() : nullptr;
    if (!parent)
        parent = invisibleRootItem();
    const int next = parent->indexOfChild(child) + 1;
    return next > 0 && next < parent->childCount() ? parent->child(next) : nullptr;
}

TreeItem CWaitingTreeCtrl::ParentItem(TreeItem item) const {
    QTreeWidgetItem* parent = ItemOf(item)->parent();
    return parent ? parent : invisibleRootItem();
}

bool CWaitingTreeCtrl::IsExpanded(TreeItem item) const {
    return item == invisibleRootItem() || ItemOf(item)->isExpanded();
}

void CWaitingTreeCtrl::SelectItem(TreeItem item) {
    setCurrentItem(ItemOf(item));
    scrollToItem(ItemOf(item));
}

TreeItem CWaitingTreeCtrl::FirstVisibleItem() const {
    return itemAt(QPoint(0, 0));
}

TreeItem CWaitingTreeCtrl::CaretItem() const {
    return currentItem();
}

void* CWaitingTreeCtrl::ItemParam(TreeItem item) const {
    QTreeWidgetItem* treeItem = ItemOf(item);
    if (!treeItem || treeItem->type() != Item::kType)
        return nullptr;
    return static_cast<Item*>(treeItem)->param();
}

TreeItem CWaitingTreeCtrl::InsertItem(const TreeInsert& request) {
    auto* item = new Item(this, (request.mask & TreeInsert::Param) ? request.param : nullptr);
    if (request.mask & TreeInsert::Text)
        item->setText(0, request.text);
    const int overlay = (request.mask & TreeInsert::State) ? request.overlay : 0;
    item->setIcon(0,
                  ItemIcon((request.mask & TreeInsert::Image) ? request.image : -1,
                           (request.mask & TreeInsert::SelectedImage) ? request.selectedImage : -1,
                           overlay));
    if ((request.mask & TreeInsert::Children) && request.children)
        item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    if ((request.mask & TreeInsert::State) && request.cut)
        item->setForeground(0, palette().brush(QPalette::Disabled, QPalette::Text));
    QTreeWidgetItem* parent = request.parent ? ItemOf(request.parent) : invisibleRootItem();
    if (request.placed)
        parent->insertChild(request.after ? parent->indexOfChild(ItemOf(request.after)) + 1 : 0,
                            item);
    else
        parent->addChild(item);
    return item;
}

void CWaitingTreeCtrl::DeleteItem(TreeItem item) {
    if (item && item != invisibleRootItem())
        delete ItemOf(item);
}

void CWaitingTreeCtrl::SetItemChildren(TreeItem item, bool children) {
    ItemOf(item)->setChildIndicatorPolicy(children
                                              ? QTreeWidgetItem::ShowIndicator
                                              : QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

void CWaitingTreeCtrl::ClearExpandedState(TreeItem item) {
    quietExpand_ = true;
    ItemOf(item)->setExpanded(false);
    quietExpand_ = false;
}

void CWaitingTreeCtrl::EnsureVisible(TreeItem item) {
    if (item)
        scrollToItem(ItemOf(item));
}

void CWaitingTreeCtrl::SetRedraw(bool on) {
    viewport()->setUpdatesEnabled(on);
}

void CWaitingTreeCtrl::UpdateWindow() {
    if (isVisible() && viewport()->updatesEnabled())
        viewport()->repaint();
}

void CWaitingTreeCtrl::PostScrollLeft() {
    QMetaObject::invokeMethod(
        this, [this] { horizontalScrollBar()->setValue(horizontalScrollBar()->minimum()); },
        Qt::QueuedConnection);
}

void CWaitingTreeCtrl::SortChildren(TreeItem item,
                                    const std::function<int(void*, void*)>& compare) {
    QTreeWidgetItem* parent = ItemOf(item);
    auto less = [&](QTreeWidgetItem* a, QTreeWidgetItem* b) {
        return compare(ItemParam(a), ItemParam(b)) < 0;
    };
    QList<QTreeWidgetItem*> children;
    children.reserve(parent->childCount());
    for (int i = 0; i < parent->childCount(); ++i)
        children.append(parent->child(i));
    // A folder usually lists its children in order already: then nothing moves.
    if (std::is_sorted(children.cbegin(), children.cend(), less))
        return;
    children = parent->takeChildren();
    std::stable_sort(children.begin(), children.end(), less);
    parent->addChildren(children);
}

QRect CWaitingTreeCtrl::ItemTextRect(TreeItem item) const {
    QTreeWidgetItem* treeItem = ItemOf(item);
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualItemRect(treeItem);
    if (!option.rect.isValid())
        return {};
    option.index = indexFromItem(treeItem);
    option.features |= QStyleOptionViewItem::HasDecoration | QStyleOptionViewItem::HasDisplay;
    option.icon = treeItem->icon(0);
    option.text = treeItem->text(0);
    option.decorationSize = iconSize();
    // The label's own width, not the whole column's.
    QRect text = style()->subElementRect(QStyle::SE_ItemViewItemText, &option, this);
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, &option, this) + 1;
    text.setWidth(
        std::min(text.width(), option.fontMetrics.horizontalAdvance(option.text) + 2 * margin));
    return text.translated(viewport()->geometry().topLeft());
}

} // namespace pix
