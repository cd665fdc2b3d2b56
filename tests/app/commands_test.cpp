// The command table and its routing: which commands are enabled for each state of the job list,
// with the job list or the image browser as the active pane, in menus, toolbar and context menu.
#include "app/commandactions.h"
#include "app/framefixture.h"
#include "browser/common/formatting.h"
#include "browser/view/listimageview.h"
#include "shell/childview.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QTreeWidget>
#include <map>

namespace pix {
namespace {

using C = CommandId;

class CommandStates : public test::FrameTest {
protected:
    // The enabled state of each command as the frame's shared actions show it.
    std::map<C, bool> states() {
        frame->updateCommandStates();
        std::map<C, bool> result;
        for (const C id : {C::AddImage, C::View, C::Remove, C::Settings, C::Start, C::Stop,
                           C::ChangeView, C::Refresh, C::Options, C::HelpTopics, C::About, C::Exit})
            result[id] = frame->action(id)->isEnabled();
        return result;
    }
    void expectEnabled(const std::map<C, bool>& got, std::initializer_list<C> enabled,
                       const char* state) {
        for (const auto& [id, on] : got) {
            const bool want = std::find(enabled.begin(), enabled.end(), id) != enabled.end();
            EXPECT_EQ(on, want) << state << ": " << plainText(id).toStdString();
        }
    }
    // Entries of a context menu with their enabled state, separators left out.
    static std::vector<std::pair<QString, bool>> entries(const QMenu& menu) {
        std::vector<std::pair<QString, bool>> list;
        for (const QAction* action : menu.actions()) {
            if (!action->isSeparator())
                list.emplace_back(action->text(), action->isEnabled());
        }
        return list;
    }
};

// Commands every state offers: the frame's and the application's.
#define ALWAYS C::ChangeView, C::Refresh, C::Options, C::HelpTopics, C::About, C::Exit

TEST_F(CommandStates, TheJobListAsActivePane) {
    frame->activatePane(&frame->jobListTarget());
    expectEnabled(states(), {ALWAYS}, "no rows");

    addRows({"a.png", "b.png"});
    expectEnabled(states(), {ALWAYS, C::Settings, C::Start}, "rows, no selection");

    select({1});
    expectEnabled(states(), {ALWAYS, C::View, C::Remove, C::Settings, C::Start}, "selection");
}

TEST_F(CommandStates, TheBrowserAsActivePaneTakesOnlyItsOwnCommands) {
    addRows({"a.png"});
    select({0});
    frame->activatePane(&frame->browserTarget());
    // "Add image" follows the browser's selection (none here); the job list's commands are
    // nobody's on this route, so they are disabled although the job list has a selection.
    expectEnabled(states(), {ALWAYS}, "browser active");
    EXPECT_EQ(frame->router().route(C::Start), nullptr);
    EXPECT_NE(frame->router().route(C::Refresh), nullptr);
}

TEST_F(CommandStates, AddImageTakesTheBrowsersSelectionIntoTheJobList) {
    for (const char* name : {"a.png", "b.png"})
        ASSERT_TRUE(test::writeQuadrantsPng(dir.filePath(name), 12, 6));
    CListImageView* browser = frame->GetImageBrowser();
    SetFilterList({"*.png"});
    QTest::qWait(50); // the Folders tab's first selection reaches the browser first
    browser->FillList(dir.path());
    for (int wait = 0; wait < 250 && (browser->isBusy() || browser->model()->rowCount() < 2);
         ++wait)
        QTest::qWait(20);
    ASSERT_EQ(browser->model()->rowCount(), 2);
    frame->show();
    browser->currentView()->setFocus();
    QCoreApplication::processEvents();
    frame->activatePane(&frame->browserTarget()); // as the focus change does on a display
    EXPECT_FALSE(states()[C::AddImage]);
    browser->SelectAll();
    EXPECT_TRUE(states()[C::AddImage]);
    frame->action(C::AddImage)->trigger();
    EXPECT_EQ(rowNames(), QStringList({"a.png", "b.png"}));
    EXPECT_EQ(frame->jobList().itemAt(0)->source.width, 12);
}

TEST_F(CommandStates, RefreshFindsTheSelectedFolderGoneAndSaysSo) {
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(dir.path()));
    ASSERT_TRUE(QDir(dir.path()).mkdir("Gone"));
    ASSERT_TRUE(test::writeQuadrantsPng(dir.filePath("home.png"), 4, 4));
    SetFilterList({"*.png"});
    makeFrame();
    QTreeWidget* tree = frame->GetFoldersTab()->tree();
    QTreeWidgetItem* home = tree->topLevelItem(0)->child(0);
    tree->expandItem(home);
    ASSERT_EQ(home->child(0)->text(0), "Gone");
    tree->setCurrentItem(home->child(0));
    CListImageView* browser = frame->GetImageBrowser();
    ASSERT_TRUE(QTest::qWaitFor([&] { return browser->folder() == dir.filePath("Gone"); }));

    ASSERT_TRUE(QDir(dir.path()).rmdir("Gone"));
    frame->action(C::Refresh)->trigger(); // before the folder's watch reports it
    EXPECT_EQ(frame->statusMessage()->text(),
              QStringLiteral("The folder %1 no longer exists.").arg(dir.filePath("Gone")));
    EXPECT_EQ(tree->currentItem(), home);
    EXPECT_EQ(home->childCount(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return browser->folder() == dir.path(); }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return browser->model()->rowCount() == 1; }));
    frame.reset();
    qputenv("HOME", oldHome);
}

TEST_F(CommandStates, ARunDisablesWhatChangesTheListAndEnablesStop) {
    addRows({"a.png", "b.png", "c.png"});
    select({0});
    frame->activatePane(&frame->jobListTarget());
    frame->action(C::Start)->trigger();
    ASSERT_TRUE(frame->run().isRunning());
    expectEnabled(states(), {ALWAYS, C::View, C::Stop}, "run going");
    const std::unique_ptr<QMenu> menu = frame->jobListView()->makeContextMenu();
    EXPECT_EQ(entries(*menu), (std::vector<std::pair<QString, bool>>{{"View", true},
                                                                     {"Remove", false},
                                                                     {"Select All", true},
                                                                     {"Remove All", false},
                                                                     {"Settings", false}}));
    frame->action(C::Stop)->trigger();
    while (frame->run().isRunning())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_TRUE(frame->action(C::Start)->isEnabled());
}

TEST_F(CommandStates, TheJobListContextMenuGraysAsTheRowsAndSelectionAllow) {
    using Entries = std::vector<std::pair<QString, bool>>;
    CVantrelView* view = frame->jobListView();
    // The context menu goes to the job list even when the browser was used last.
    frame->activatePane(&frame->browserTarget());
    EXPECT_EQ(entries(*view->makeContextMenu()), (Entries{{"View", false},
                                                          {"Remove", false},
                                                          {"Select All", false},
                                                          {"Remove All", false},
                                                          {"Settings", false}}));
    addRows({"a.png", "b.png"});
    EXPECT_EQ(entries(*view->makeContextMenu()), (Entries{{"View", false},
                                                          {"Remove", false},
                                                          {"Select All", true},
                                                          {"Remove All", true},
                                                          {"Settings", true}}));
    select({0});
    const std::unique_ptr<QMenu> menu = view->makeContextMenu();
    EXPECT_EQ(entries(*menu), (Entries{{"View", true},
                                       {"Remove", true},
                                       {"Select All", true},
                                       {"Remove All", true},
                                       {"Settings", true}}));
    // Menu 141's separators stand where they always did.
    QStringList shape;
    for (const QAction* action : menu->actions())
        shape << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(shape.join(u','), "View,-,Remove,-,Select All,Remove All,-,Settings");
}

TEST(CommandIcons, EveryCommandWithAnIconGetsOneFromTheThemeOrTheStyle) {
    for (const CommandInfo& info : commandTable()) {
        EXPECT_EQ(commandIcon(info.id).isNull(), info.icon == CommandIcon::None)
            << info.text.data();
    }
}

TEST_F(CommandStates, TheFrameHasTheMenusAndToolbarOfTheWindow) {
    QStringList menus;
    for (const QAction* menu : frame->menuBar()->actions())
        menus << menu->text();
    EXPECT_EQ(menus, QStringList({"&File", "&Action", "&View", "&Help"}));
    QStringList buttons;
    for (const QAction* action : frame->toolBar()->actions())
        buttons << (action->isSeparator() ? QStringLiteral("-") : action->toolTip());
    EXPECT_EQ(buttons.join(u','),
              "Refresh,Add image,Change View,-,Remove,Settings,Start,Stop,-,Help");
    EXPECT_EQ(frame->windowTitle(), "Pixovia");
    EXPECT_FALSE(frame->windowIcon().isNull());
}

} // namespace
} // namespace pix
