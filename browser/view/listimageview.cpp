// The image browser: filling, thumbnails and the commands.
#include "browser/view/listimageview.h"

#include "browser/common/formatting.h"
#include "browser/view/keyboardmenu.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QListView>
#include <QMenu>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <set>

namespace pix {

CListImageView::CListImageView(QWidget* parent, std::shared_ptr<const ThumbnailCache> cache,
                               int workers)
    : QWidget(parent), model_(new ImageListModel(this)),
      fill_(std::make_unique<ImageListFill>(*model_, std::move(cache), workers)) {
    fill_->setListed([this] { showListing(); });
    openUrl_ = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    createViews();
    createActions();
}

CListImageView::~CListImageView() {
    fill_.reset(); // its workers stop before the model goes
}

QAbstractItemView* CListImageView::currentView() const {
    if (model_->viewMode() == ImageListModel::ReportView)
        return report_;
    return thumbnails_;
}

void CListImageView::FillList(const QString& folder) {
    folder_ = folder;
    FillList();
}

void CListImageView::FillList() {
    fill_->fill(folder_, FilterList());
    // The rows stand in listing order after a fill, so no column shows a sort mark.
    report_->header()->setSortIndicatorShown(false);
    updateActions();
    // The window stays usable while the folder is read; the cursor says it is busy.
    if (fill_->isListing())
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
}

void CListImageView::showListing() {
    unsetCursor();
    updateActions();
    if (model_->viewMode() == ImageListModel::ThumbnailView)
        prioritizeVisible();
    else
        widenColumns();
}

void CListImageView::widenColumns() {
    // The columns start at their usual widths; one too narrow for its title or for the texts
    // of this folder (long dates, type names) grows to show them, up to a limit.
    constexpr int kWidest = 260;
    QHeaderView* header = report_->header();
    for (int column = 0; column + 1 < kBrowserColumnCount; ++column) {
        const int wanted = std::min(
            kWidest,
            std::max(header->sectionSizeHint(column),
                     static_cast<const QAbstractItemView*>(report_)->sizeHintForColumn(column)));
        if (header->sectionSize(column) < wanted)
            header->resizeSection(column, wanted);
    }
}

std::vector<int> CListImageView::visibleRows() const {
    std::set<int> rows;
    QWidget* viewport = thumbnails_->viewport();
    const QSize grid = thumbnails_->gridSize().isValid() ? thumbnails_->gridSize() : QSize(32, 32);
    // Sample the viewport cell by cell: cheap whatever the number of rows.
    for (int y = grid.height() / 2; y < viewport->height() + grid.height() / 2;
         y += grid.height() / 2) {
        for (int x = grid.width() / 2; x < viewport->width() + grid.width() / 2;
             x += grid.width() / 2) {
            const QModelIndex index = thumbnails_->indexAt(
                QPoint(std::min(x, viewport->width() - 1), std::min(y, viewport->height() - 1)));
            if (index.isValid())
                rows.insert(index.row());
        }
    }
    return std::vector<int>(rows.begin(), rows.end());
}

void CListImageView::prioritizeVisible() {
    if (model_->viewMode() == ImageListModel::ThumbnailView && model_->rowCount() > 0)
        fill_->prioritize(visibleRows());
}

void CListImageView::ToggleView() {
    const bool toReport = model_->viewMode() == ImageListModel::ThumbnailView;
    model_->setViewMode(toReport ? ImageListModel::ReportView : ImageListModel::ThumbnailView);
    stack_->setCurrentWidget(currentView());
    FillList();
    currentView()->verticalScrollBar()->setValue(0);
    currentView()->horizontalScrollBar()->setValue(0);
}

std::vector<int> CListImageView::selectedRows() const {
    std::set<int> rows;
    for (const QModelIndex& index : selection_->selectedIndexes())
        rows.insert(index.row());
    return std::vector<int>(rows.begin(), rows.end());
}

void CListImageView::AddSelectedToJobList() {
    if (!addFile_)
        return;
    for (int row : selectedRows()) {
        const ImageInfo* info = model_->recordAt(row);
        if (info == nullptr)
            continue;
        const QString name = model_->rowName(row);
        addFile_(info, &name);
    }
}

void CListImageView::ViewSelected() {
    const std::vector<int> rows = selectedRows();
    if (rows.empty() || model_->recordAt(rows.front()) == nullptr)
        return;
    if (openUrl_)
        openUrl_(QUrl::fromLocalFile(model_->filePath(rows.front())));
}

void CListImageView::SelectAll() {
    if (model_->rowCount() == 0)
        return;
    const QItemSelection all(model_->index(0, 0),
                             model_->index(model_->rowCount() - 1, model_->columnCount() - 1));
    selection_->select(all, QItemSelectionModel::Select);
}

void CListImageView::onHeaderClicked(int column) {
    model_->SortByColumn(column);
    QHeaderView* header = report_->header();
    header->setSortIndicatorShown(true);
    header->setSortIndicator(column,
                             SortDirection() < 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
}

bool CListImageView::eventFilter(QObject* watched, QEvent* event) {
    const bool fromView = watched == thumbnails_ || watched == report_;
    // A context menu asked for from the keyboard arrives at the view itself (one from the
    // mouse at its viewport): it opens at the current row.
    if (fromView && event->type() == QEvent::ContextMenu &&
        static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
        showContextMenu(keyboardMenuPlace(*currentView()));
        return true;
    }
    if (fromView && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (isContextMenuKey(*key)) {
            showContextMenu(keyboardMenuPlace(*currentView()));
            return true;
        }
        if (key->key() == Qt::Key_A && key->modifiers() == Qt::ControlModifier) {
            SelectAll();
            return true;
        }
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            AddSelectedToJobList();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace pix
