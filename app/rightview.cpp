#include "app/rightview.h"

#include <QListView>
#include <QSplitter>
#include <QVBoxLayout>

namespace pix {

CRightView::CRightView(JobList& list, JobListCommands::Hooks hooks, QWidget* parent)
    : QWidget(parent) {
    splitter_ = new QSplitter(Qt::Vertical, this);
    splitter_->setObjectName(QStringLiteral("RightViewSplitter"));
    splitter_->setChildrenCollapsible(true);
    browser_ = new CListImageView(splitter_);
    jobList_ = new CVantrelView(list, std::move(hooks), splitter_);
    splitter_->addWidget(browser_);
    splitter_->addWidget(jobList_);
    // Either row may be dragged down to nothing.
    browser_->setMinimumHeight(0);
    jobList_->setMinimumHeight(0);
    // The browser starts with room for two rows of thumbnails, and the rows share what the
    // window gives beyond that.
    const QListView* thumbnails = browser_->thumbnailView();
    const int twoRows = std::max(kBrowserHeight, 2 * thumbnails->gridSize().height() +
                                                     2 * thumbnails->frameWidth() + 4);
    splitter_->setSizes({twoRows, kJobListHeight});
    splitter_->setStretchFactor(0, twoRows);
    splitter_->setStretchFactor(1, kJobListHeight);

    // The panes meet the window's edges without a border of the view's own.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter_);
}

} // namespace pix
