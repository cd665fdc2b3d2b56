// The image browser's widgets: the two views over one model and selection, the commands and
// the context menu.
#include "browser/view/listimageview.h"

#include "browser/view/thumbnaildelegate.h"

#include <QAction>
#include <QCursor>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QListView>
#include <QMenu>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStyle>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace pix {

namespace {

QIcon themeIcon(const char* name, QStyle* style, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(QString::fromLatin1(name), style->standardIcon(fallback));
}

QAction* makeAction(QWidget* owner, const QString& text, int id, const QIcon& icon) {
    auto* action = new QAction(icon, text, owner);
    action->setData(id);
    return action;
}

} // namespace

void CListImageView::createViews() {
    model_->setPlaceholderIcons(themeIcon("image-x-generic", style(), QStyle::SP_FileIcon),
                                themeIcon("image-missing", style(), QStyle::SP_MessageBoxWarning));
    stack_ = new QStackedWidget(this);
    thumbnails_ = new QListView(stack_);
    report_ = new QTreeView(stack_);
    thumbnails_->setModel(model_);
    report_->setModel(model_);
    // One selection for both views, so the commands need not know which one is shown.
    selection_ = thumbnails_->selectionModel();
    report_->setSelectionModel(selection_);
    configureThumbnailView();
    configureReportView();
    stack_->addWidget(thumbnails_);
    stack_->addWidget(report_);
    stack_->setCurrentWidget(thumbnails_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(stack_);
    setFocusProxy(thumbnails_);

    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(thumbnails_), static_cast<QAbstractItemView*>(report_)}) {
        view->setAccessibleName(QStringLiteral("Pictures"));
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        view->installEventFilter(this);
        connect(view, &QAbstractItemView::customContextMenuRequested, this,
                [this] { showContextMenu(QCursor::pos()); });
        connect(view, &QAbstractItemView::doubleClicked, this, [this] { AddSelectedToJobList(); });
    }
    connect(selection_, &QItemSelectionModel::selectionChanged, this, [this] { updateActions(); });

    // Visible rows first: after scrolling or resizing settles, they move to the queue's front.
    visibleTimer_ = new QTimer(this);
    visibleTimer_->setSingleShot(true);
    visibleTimer_->setInterval(30);
    connect(visibleTimer_, &QTimer::timeout, this, [this] { prioritizeVisible(); });
    connect(thumbnails_->verticalScrollBar(), &QScrollBar::valueChanged, visibleTimer_,
            qOverload<>(&QTimer::start));
    connect(thumbnails_->horizontalScrollBar(), &QScrollBar::valueChanged, visibleTimer_,
            qOverload<>(&QTimer::start));
    connect(thumbnails_->verticalScrollBar(), &QScrollBar::rangeChanged, visibleTimer_,
            qOverload<>(&QTimer::start));
}

void CListImageView::configureThumbnailView() {
    const QSize icon(ImageListModel::kThumbnailWidth, ImageListModel::kThumbnailHeight);
    thumbnails_->setViewMode(QListView::IconMode);
    thumbnails_->setIconSize(icon);
    thumbnails_->setItemDelegate(new ThumbnailDelegate(thumbnails_));
    const QSize cell = ThumbnailDelegate::cellSize(thumbnails_->fontMetrics());
    thumbnails_->setGridSize(cell + QSize(8, 8));
    thumbnails_->setMovement(QListView::Static);
    thumbnails_->setResizeMode(QListView::Adjust);
    thumbnails_->setUniformItemSizes(true);
    thumbnails_->setLayoutMode(QListView::Batched);
    thumbnails_->setBatchSize(500);
}

void CListImageView::configureReportView() {
    report_->setRootIsDecorated(false);
    report_->setItemsExpandable(false);
    report_->setUniformRowHeights(true);
    report_->setAllColumnsShowFocus(true);
    report_->setSelectionBehavior(QAbstractItemView::SelectRows);
    QHeaderView* header = report_->header();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    header->setStretchLastSection(true);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int column = 0; column < kBrowserColumnCount; ++column)
        header->resizeSection(column, browserColumn(column).width);
    connect(header, &QHeaderView::sectionClicked, this,
            [this](int column) { onHeaderClicked(column); });
}

void CListImageView::createActions() {
    addAction_ = makeAction(this, QStringLiteral("Add to list"), kCmdAddToList,
                            themeIcon("list-add", style(), QStyle::SP_FileDialogNewFolder));
    viewAction_ = makeAction(this, QStringLiteral("View"), kCmdView,
                             themeIcon("document-open", style(), QStyle::SP_DialogOpenButton));
    selectAllAction_ =
        makeAction(this, QStringLiteral("Select All"), kCmdSelectAll,
                   themeIcon("edit-select-all", style(), QStyle::SP_FileDialogListView));
    connect(addAction_, &QAction::triggered, this, [this] { AddSelectedToJobList(); });
    connect(viewAction_, &QAction::triggered, this, [this] { ViewSelected(); });
    connect(selectAllAction_, &QAction::triggered, this, [this] { SelectAll(); });
    updateActions();
}

void CListImageView::updateActions() {
    if (addAction_ == nullptr)
        return;
    const bool selected = selection_->hasSelection();
    addAction_->setEnabled(selected);
    viewAction_->setEnabled(selected);
    selectAllAction_->setEnabled(model_->rowCount() > 0);
}

std::unique_ptr<QMenu> CListImageView::makeContextMenu() {
    updateActions();
    auto menu = std::make_unique<QMenu>(this);
    menu->setAccessibleName(QStringLiteral("Picture commands"));
    menu->addAction(addAction_);
    menu->addSeparator();
    menu->addAction(viewAction_);
    menu->addSeparator();
    menu->addAction(selectAllAction_);
    return menu;
}

void CListImageView::showContextMenu(const QPoint& where) {
    // One menu for the view's life: a menu made anew over the same actions shows assistive
    // technologies only its separators from the second opening on.
    if (!contextMenu_)
        contextMenu_ = makeContextMenu();
    else
        updateActions();
    contextMenu_->exec(where);
}

} // namespace pix
