// The commands without a window: the table's texts, the route a command takes, and which of
// the job list's commands each state of the list enables.
#include "app/commandrouter.h"
#include "app/joblistcommands.h"

#include <QItemSelectionModel>
#include <gtest/gtest.h>
#include <set>

namespace pix {
namespace {

using C = CommandId;

TEST(CommandTable, TextsTipsAndMenus) {
    EXPECT_EQ(commandInfo(C::HelpTopics).toolTip, QLatin1String("Help"));
    EXPECT_EQ(commandInfo(C::AddImage).statusTip, QLatin1String("Add image"));
    EXPECT_EQ(plainText(C::About), "About Pixovia");
    EXPECT_EQ(commandInfo(CommandId(12345)).id, C::None);
    // Every entry of a menu or the toolbar has its row.
    for (const CommandList list : {fileMenu(), actionMenu(), viewMenu(), helpMenu(),
                                   toolbarButtons(), jobListContextMenu()}) {
        for (const CommandId id : list)
            EXPECT_TRUE(id == C::None || commandInfo(id).id == id) << int(id);
    }
}

TEST(CommandRouter, ThePaneThenTheFrameThenTheApplication) {
    CommandTarget pane, frame, application;
    pane.add(C::Remove, {[] { return false; }, nullptr});
    frame.add(C::Remove, {nullptr, nullptr});
    frame.add(C::Refresh, {nullptr, nullptr});
    application.add(C::Exit, {nullptr, nullptr});
    CommandRouter router;
    router.setActivePane(&pane);
    router.setFrame(&frame);
    router.setApplication(&application);
    // The first target that handles a command takes it, enabled or not.
    EXPECT_EQ(router.route(C::Remove), &pane);
    EXPECT_FALSE(router.isEnabled(C::Remove));
    EXPECT_EQ(router.route(C::Refresh), &frame);
    EXPECT_EQ(router.route(C::Exit), &application);
    EXPECT_EQ(router.route(C::Start), nullptr);
    EXPECT_FALSE(router.isEnabled(C::Start));
    // A context menu starts at its own pane instead of the active one.
    CommandTarget menuPane;
    menuPane.add(C::Remove, {nullptr, nullptr});
    EXPECT_EQ(router.route(C::Remove, &menuPane), &menuPane);
    EXPECT_EQ(router.route(C::Refresh, &menuPane), &frame);
}

// The job list's commands over a list of two rows, without a view: which are enabled for each
// state of the list, and that a list held by a run refuses them also when they are called.
class JobListCommandStates : public ::testing::Test {
protected:
    JobListCommandStates() {
        for (const char* name : {"a.png", "b.png"})
            list.AppendItem(std::make_unique<JobItem>(), QString::fromLatin1(name));
        JobListCommands::Hooks hooks;
        hooks.editSettings = [this](const JobItem*) {
            ++dialogs;
            return std::optional<SettingsResult>();
        };
        commands = std::make_unique<JobListCommands>(list, selection, hooks);
    }
    // The commands the pane enables.
    std::set<C> enabled() const {
        std::set<C> result;
        for (const C id :
             {C::View, C::Remove, C::SelectAll, C::RemoveAll, C::Settings, C::Start, C::Stop}) {
            if (commands->target().isEnabled(id))
                result.insert(id);
        }
        return result;
    }

    JobList list;
    QItemSelectionModel selection{&list};
    std::unique_ptr<JobListCommands> commands;
    int dialogs = 0;
};

TEST_F(JobListCommandStates, ARunDisablesWhatChangesTheListAndEnablesStop) {
    struct Case {
        const char* state;
        bool selected;
        bool held;
        std::set<C> enabled;
    };
    const Case cases[] = {
        {"idle", false, false, {C::SelectAll, C::RemoveAll, C::Settings, C::Start}},
        {"idle, a row selected",
         true,
         false,
         {C::View, C::Remove, C::SelectAll, C::RemoveAll, C::Settings, C::Start}},
        {"held by a run, a row selected", true, true, {C::View, C::SelectAll, C::Stop}},
    };
    for (const Case& c : cases) {
        selection.clearSelection();
        if (c.selected)
            selection.select(list.index(1, 0),
                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
        std::optional<JobList::RunLock> lock;
        if (c.held)
            lock.emplace(list);
        EXPECT_EQ(enabled(), c.enabled) << c.state;
    }
}

TEST_F(JobListCommandStates, CalledWhileARunHoldsTheListTheyChangeNothing) {
    selection.select(list.index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const JobList::RunLock lock(list);
    commands->removeSelected();
    commands->removeAll();
    commands->editSettings();
    commands->editItemSettings();
    EXPECT_EQ(list.rowCount(), 2);
    EXPECT_EQ(dialogs, 0);
}

} // namespace
} // namespace pix
