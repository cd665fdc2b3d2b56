#include "app/vantrelview.h"

#include "app/commandactions.h"
#include "browser/view/keyboardmenu.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QUrl>

namespace pix {

namespace {

// Marks the "Name" cell of a row the last run could not convert with a warning sign.
class FailureMarkDelegate : public QStyledItemDelegate {
public:
    explicit FailureMarkDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.column() != kColumnName || index.data(JobList::FailureRole).toString().isEmpty())
            return;
        const QWidget* view = option->widget;
        QStyle* style = view ? view->style() : QApplication::style();
        option->icon = QIcon::fromTheme(QStringLiteral("dialog-warning"),
                                        style->standardIcon(QStyle::SP_MessageBoxWarning));
        option->features |= QStyleOptionViewItem::HasDecoration;
        const int side = style->pixelMetric(QStyle::PM_SmallIconSize, nullptr, view);
        option->decorationSize = QSize(side, side);
    }
};

} // namespace

CVantrelView::CVantrelView(JobList& list, JobListCommands::Hooks hooks, QWidget* parent)
    : QTableView(parent), list_(list) {
    setModel(&list_);
    commands_ = std::make_unique<JobListCommands>(list_, *selectionModel(), std::move(hooks));
    setAccessibleName(QStringLiteral("Job list"));
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false); // Tab moves on to the next part of the window
    setWordWrap(false);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true); // drops arrive at the viewport
    setDropIndicatorShown(false);
    setItemDelegate(new FailureMarkDelegate(this));
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);

    QHeaderView* header = horizontalHeader();
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setSectionsClickable(true);
    header->setHighlightSections(false);
    // "Remarks" takes the width the other columns leave, so the whole remark shows.
    header->setStretchLastSection(true);
    for (int column = 0; column < kColumnCount; ++column)
        header->resizeSection(column, jobColumn(column).width);
    connect(header, &QHeaderView::sectionClicked, this, &CVantrelView::sortByColumn);

    // Once the list has settled after a change, rather than once per added row.
    fitTimer_ = new QTimer(this);
    fitTimer_->setSingleShot(true);
    fitTimer_->setInterval(0);
    connect(fitTimer_, &QTimer::timeout, this, &CVantrelView::fitColumns);
    const auto fitLater = [this] { fitTimer_->start(); };
    connect(&list_, &QAbstractItemModel::rowsInserted, this, fitLater);
    connect(&list_, &QAbstractItemModel::dataChanged, this, fitLater);
    connect(&list_, &QAbstractItemModel::modelReset, this, fitLater);
    connect(&list_, &QAbstractItemModel::layoutChanged, this, fitLater);
}

CVantrelView::~CVantrelView() = default;

void CVantrelView::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    fitTimer_->start();
}

void CVantrelView::fitColumns() {
    // Widths never shrink here: a column a person widened stays so.
    constexpr std::pair<int, int> kWidest[] = {{kColumnName, 320},
                                               {kColumnDimension, 160},
                                               {kColumnOutputFolder, 320},
                                               {kColumnDateModified, 240}};
    constexpr int kWidestRemarks = 720;
    QHeaderView* header = horizontalHeader();
    const auto wanted = [&](int column, int widest) {
        return std::min(widest,
                        std::max(header->sectionSizeHint(column), sizeHintForColumn(column)));
    };
    for (const auto& [column, widest] : kWidest) {
        const int width = wanted(column, widest);
        if (header->sectionSize(column) < width)
            header->resizeSection(column, width);
    }
    // "Remarks" fills the width the others leave, and is longer still when its texts are.
    const int remarks = wanted(kColumnRemarks, kWidestRemarks);
    const int left = viewport()->width() - header->sectionPosition(kColumnRemarks);
    header->setStretchLastSection(remarks <= left);
    if (remarks > left)
        header->resizeSection(kColumnRemarks, remarks);
}

void CVantrelView::sortByColumn(int column) {
    list_.SortByColumn(column);
    QHeaderView* header = horizontalHeader();
    header->setSortIndicatorShown(true);
    header->setSortIndicator(list_.lastSortedColumn(),
                             list_.sortAscending() ? Qt::AscendingOrder : Qt::DescendingOrder);
}

std::unique_ptr<QMenu> CVantrelView::makeContextMenu() {
    auto menu = std::make_unique<QMenu>(this);
    menu->setAccessibleName(QStringLiteral("Job list menu"));
    const CommandTarget* pane = &commands_->target();
    fillMenu(*menu, jobListContextMenu(), [this, pane](CommandId id) {
        return router_ ? router_->isEnabled(id, pane) : pane->isEnabled(id);
    });
    return menu;
}

void CVantrelView::run(CommandId id) {
    if (router_)
        router_->execute(id, &commands_->target());
    else
        commands_->target().execute(id);
}

void CVantrelView::contextMenuEvent(QContextMenuEvent* event) {
    // From the keyboard: at the current row rather than at the mouse.
    showContextMenu(event->reason() == QContextMenuEvent::Keyboard ? keyboardMenuPlace(*this)
                                                                   : event->globalPos());
}

void CVantrelView::showContextMenu(const QPoint& at) {
    const std::unique_ptr<QMenu> menu = makeContextMenu();
    if (const QAction* chosen = ChooseFromMenu(*menu, at))
        run(CommandId(chosen->data().toInt()));
}

void CVantrelView::keyPressEvent(QKeyEvent* event) {
    if (isContextMenuKey(*event)) {
        showContextMenu(keyboardMenuPlace(*this));
        return;
    }
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        run(CommandId::Remove);
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        commands_->selectAll();
        return;
    }
    QTableView::keyPressEvent(event);
}

void CVantrelView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    commands_->editItemSettings();
}

bool CVantrelView::acceptsDrop(const QMimeData* data) const {
    if (!dropHandler_ || list_.isLocked() || !data || !data->hasUrls())
        return false;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            return true;
    }
    return false;
}

void CVantrelView::dragEnterEvent(QDragEnterEvent* event) {
    if (acceptsDrop(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void CVantrelView::dragMoveEvent(QDragMoveEvent* event) {
    if (acceptsDrop(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void CVantrelView::dropEvent(QDropEvent* event) {
    if (!acceptsDrop(event->mimeData())) {
        event->ignore();
        return;
    }
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    event->acceptProposedAction();
    // Added once the drop has ended: adding may ask the duplicate question, which must not
    // open while the file manager still holds the drag.
    QMetaObject::invokeMethod(
        this, [this, paths] { dropHandler_(paths); }, Qt::QueuedConnection);
}

} // namespace pix
