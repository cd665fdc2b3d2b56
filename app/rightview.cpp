#include "app/rightview.h"

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
    splitter_->setSizes({kBrowserHeight, kJobListHeight});
    splitter_->setStretchFactor(0, kBrowserHeight);
    splitter_->setStretchFactor(1, kJobListHeight);

    // The panes meet the window's edges without a border of the view's own.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter_);
}

} // namespace pix
