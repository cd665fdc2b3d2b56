// The window's layout and placement: saved at close, restored by the next window, and a
// damaged or foreign saved value still giving a usable window on screen.
#include "app/framefixture.h"
#include "settings/settingstable.h"

#include <QCloseEvent>
#include <QDockWidget>
#include <QSplitter>
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

} // namespace
} // namespace pix
