// The image browser: the pictures of one folder as thumbnails or in five columns, from which the
// user adds pictures to the job list or opens one in the desktop's viewer.
//
// An ImageListFill fills the rows without blocking the window; the view asks it for the
// visible rows' thumbnails first.
#pragma once

#include "browser/imagelistfill.h"
#include "browser/imagelistmodel.h"

#include <QString>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QAbstractItemView;
class QItemSelectionModel;
class QListView;
class QMenu;
class QStackedWidget;
class QTimer;
class QTreeView;

namespace pix {

class ThumbnailCache;

// Command ids of the browser's commands.
inline constexpr int kCmdAddToList = 32781;
inline constexpr int kCmdView = 32775;
inline constexpr int kCmdSelectAll = 32776;

class CListImageView : public QWidget {
public:
    // The job list's AddFile, which the main window connects.
    using AddFileHandler = std::function<bool(const ImageInfo* info, const QString* fileName)>;
    using UrlOpener = std::function<void(const QUrl& url)>;

    /// cache: the shared thumbnail cache; null uses the user's. workers <= 0: one per core.
    explicit CListImageView(QWidget* parent = nullptr,
                            std::shared_ptr<const ThumbnailCache> cache = nullptr, int workers = 0);
    ~CListImageView() override;

    /// The folder whose pictures the list shows ("" for none), then FillList().
    void FillList(const QString& folder);
    /// Rebuilds the list from the current folder and FilterList().
    void FillList();
    /// Switches between the thumbnail view and the report view and fills again.
    void ToggleView();

    void AddSelectedToJobList();
    void ViewSelected();
    void SelectAll();

    void setAddFileHandler(AddFileHandler handler) { addFile_ = std::move(handler); }
    /// How "View" opens a file; the desktop's viewer (QDesktopServices) unless replaced.
    void setUrlOpener(UrlOpener opener) { openUrl_ = std::move(opener); }

    const QString& folder() const { return folder_; }
    int viewMode() const { return model_->viewMode(); }
    ImageListModel* model() const { return model_; }
    QAbstractItemView* currentView() const;
    QListView* thumbnailView() const { return thumbnails_; }
    QTreeView* reportView() const { return report_; }
    QItemSelectionModel* selectionModel() const { return selection_; }

    /// Selected rows in display order.
    std::vector<int> selectedRows() const;
    /// Rows whose cells show in the thumbnail view's viewport, in display order.
    std::vector<int> visibleRows() const;

    /// The commands, with their states kept up to date (for menus and toolbars).
    QAction* addToListAction() const { return addAction_; }
    QAction* viewAction() const { return viewAction_; }
    QAction* selectAllAction() const { return selectAllAction_; }
    /// The context menu with its entries enabled as the current rows and selection allow.
    std::unique_ptr<QMenu> makeContextMenu();

    /// True while the listing runs or thumbnails are pending.
    bool isBusy() const { return fill_->isBusy(); }
    /// The number of fills so far; each fill is one generation.
    quint64 generation() const { return fill_->generation(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::unique_ptr<QMenu> contextMenu_; // made at the first opening
    void createViews();
    void createActions();
    void configureThumbnailView();
    void configureReportView();
    void showListing();
    void widenColumns();
    void prioritizeVisible();
    void updateActions();
    /// At a place in global coordinates: the pointer's, or the current row's from the keyboard.
    void showContextMenu(const QPoint& where);
    void onHeaderClicked(int column);

    ImageListModel* model_;
    QStackedWidget* stack_ = nullptr;
    QListView* thumbnails_ = nullptr;
    QTreeView* report_ = nullptr;
    QItemSelectionModel* selection_ = nullptr;
    QAction* addAction_ = nullptr;
    QAction* viewAction_ = nullptr;
    QAction* selectAllAction_ = nullptr;
    QTimer* visibleTimer_ = nullptr;

    QString folder_;
    std::unique_ptr<ImageListFill> fill_;

    AddFileHandler addFile_;
    UrlOpener openUrl_;
};

} // namespace pix
