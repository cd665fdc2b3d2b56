// The window's layout and placement: saved at close, restored by the next window, and a
// damaged or foreign saved value still giving a usable window on screen.
#include "app/folderselect.h"
#include "app/framefixture.h"
#include "settings/settingstable.h"

#include <QCloseEvent>
#include <QDir>
#include <QDockWidget>
#include <QHeaderView>
#include <QListView>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>

namespace pix {
namespace {

class Layout : public test::FrameTest {};

TEST_F(Layout, TheSplitterHoldsTheBrowserAboveTheJobList) {
    QSplitter* splitter = frame->rightView()->splitter();
    EXPECT_EQ(splitter->orientation(), Qt::Vertical);
    EXPECT_EQ(splitter->widget(0), frame->GetImageBrowser());
    EXPECT_EQ(splitter->widget(1), frame->jobListView());
}

TEST_F(Layout, ClosingSavesWhereTheDocksWereAndTheNextWindowRestoresIt) {
    frame->ShowFrame();
    frame->addDockWidget(Qt::RightDockWidgetArea, frame->outputBar());
    frame->GetFoldersTab()->setFloating(true);
    frame->GetFoldersTab()->move(40, 50);
    frame->toolBar()->hide();
    EXPECT_TRUE(frame->close());
    EXPECT_FALSE(SettingsStore().bytes(Setting::ControlBarState).isEmpty());
    EXPECT_FALSE(SettingsStore().bytes(Setting::WindowPlacement).isEmpty());

    makeFrame().ShowFrame();
    EXPECT_EQ(frame->dockWidgetArea(frame->outputBar()), Qt::RightDockWidgetArea);
    EXPECT_TRUE(frame->GetFoldersTab()->isFloating());
    EXPECT_TRUE(frame->toolBar()->isHidden());
    EXPECT_TRUE(frame->isVisible());
}

TEST_F(Layout, ADamagedSavedLayoutGivesTheFirstRunLayout) {
    SettingsStore store;
    store.setBytes(Setting::ControlBarState, QByteArray("\x00\x00\x01garbage", 10));
    store.setBytes(Setting::WindowPlacement, QByteArray(300, '\xff'));
    makeFrame().ShowFrame();
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(frame->dockWidgetArea(frame->outputBar()), Qt::BottomDockWidgetArea);
    EXPECT_EQ(frame->dockWidgetArea(frame->GetFoldersTab()), Qt::LeftDockWidgetArea);
    EXPECT_FALSE(frame->toolBar()->isHidden());
    EXPECT_GE(frame->width(), 400);
    EXPECT_GE(frame->height(), 300);
}

TEST_F(Layout, AClosedDockComesBackFromTheViewMenu) {
    frame->ShowFrame();
    frame->outputBar()->close();
    EXPECT_TRUE(frame->outputBar()->isHidden());
    frame->outputBar()->toggleViewAction()->trigger();
    EXPECT_FALSE(frame->outputBar()->isHidden());
}

// Room to see: the browser holds two rows of thumbnails, the job list's names, pixel sizes and
// remarks show whole (a remark longer than the room left grows past the edge), and the Output
// pane starts with whole lines.
TEST_F(Layout, TheFirstStartShowsTwoRowsOfThumbnailsAndWholeTexts) {
    const QString name = QStringLiteral("a-rather-long-holiday-picture-name-0042.png");
    addRows({name}, 2560, 16);
    addRows({"b.png"});
    const QString reason = QStringLiteral("the picture cannot be read: its data ends early, "
                                          "after 1200 of 4096 rows, so nothing was written");
    frame->jobList().setFailure(frame->jobList().idAt(1), reason);
    frame->resize(1280, 800);
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    QCoreApplication::processEvents();

    const QListView* thumbnails = frame->GetImageBrowser()->thumbnailView();
    EXPECT_GE(thumbnails->viewport()->height(), 2 * thumbnails->gridSize().height());

    CVantrelView* view = frame->jobListView();
    const QHeaderView* header = view->horizontalHeader();
    const QFontMetrics metrics = view->fontMetrics();
    const struct {
        int column;
        QString text;
    } cells[] = {{kColumnName, name},
                 {kColumnDimension, frame->jobList().columnText(0, kColumnDimension)},
                 {kColumnDateModified, frame->jobList().columnText(0, kColumnDateModified)},
                 {kColumnRemarks, frame->jobList().columnText(1, kColumnRemarks)}};
    for (const auto& cell : cells)
        EXPECT_GT(header->sectionSize(cell.column), metrics.horizontalAdvance(cell.text))
            << cell.text.toStdString();

    // One more line of room is exactly one line of the log.
    frame->AddOutputLine(name);
    COutputBar* output = frame->outputBar();
    EXPECT_EQ(output->heightForLines(5) - output->heightForLines(4),
              output->listBox()->sizeHintForRow(0));
}

// What a person arranged comes back at the next start: the splitter, the status bar, and the
// folder last selected while it still exists.
TEST_F(Layout, TheNextStartRestoresTheSplitterTheStatusBarAndTheLastFolder) {
    const QString folder = QDir(dir.path()).filePath("holiday");
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const bool folderKept : {true, false}) {
        makeFrame().ShowFrame();
        ASSERT_TRUE(selectFolderInTree(*frame->GetFoldersTab(), folder));
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return frame->GetFoldersTab()->GetSelectedPath() == folder; }));
        QSplitter* splitter = frame->rightView()->splitter();
        splitter->setSizes({90, 300});
        // The share of the browser: the status bar's room goes to both rows.
        const auto browserShare = [](const QList<int>& sizes) {
            return double(sizes[0]) / (sizes[0] + sizes[1]);
        };
        const double share = browserShare(splitter->sizes());
        frame->statusBar()->hide();
        ASSERT_TRUE(frame->close());
        if (!folderKept) {
            ASSERT_TRUE(QDir(folder).removeRecursively());
        }

        makeFrame().ShowFrame();
        EXPECT_NEAR(browserShare(frame->rightView()->splitter()->sizes()), share, 0.02);
        EXPECT_TRUE(frame->statusBar()->isHidden());
        const QString selected = frame->GetFoldersTab()->GetSelectedPath();
        EXPECT_EQ(selected == folder, folderKept) << selected.toStdString();
        frame->statusBar()->show();
        ASSERT_TRUE(frame->close());
        makeFrame().ShowFrame();
        EXPECT_FALSE(frame->statusBar()->isHidden());
        ASSERT_TRUE(QDir().mkpath(folder));
    }
}

} // namespace
} // namespace pix
