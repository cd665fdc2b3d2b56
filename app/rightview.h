// The main window's client: the image browser above the job list, in two rows of a splitter.
#pragma once

#include "app/vantrelview.h"
#include "browser/view/listimageview.h"

#include <QWidget>

class QSplitter;

namespace pix {

class CRightView : public QWidget {
public:
    // The rows' heights when the window is first laid out (the browser's is at least two rows
    // of thumbnails).
    static constexpr int kBrowserHeight = 145;
    static constexpr int kJobListHeight = 200;

    CRightView(JobList& list, JobListCommands::Hooks hooks, QWidget* parent = nullptr);

    CListImageView* browser() const { return browser_; }
    CVantrelView* jobList() const { return jobList_; }
    QSplitter* splitter() const { return splitter_; }

private:
    QSplitter* splitter_;
    CListImageView* browser_;
    CVantrelView* jobList_;
};

} // namespace pix
