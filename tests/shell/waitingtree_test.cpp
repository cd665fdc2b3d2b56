// The expand-on-demand protocol against an in-memory tree and a scripted population hook.
#include "faketree.h"
#include "shell/waitingtree.h"

#include <gtest/gtest.h>

namespace pix {
namespace {

// A waiting tree whose hook inserts the scripted children and answers as told, noting what it
// saw of the protocol's state while it ran.
class ScriptedTree : public WaitingTree {
public:
    explicit ScriptedTree(FakeTree& tree) : WaitingTree(tree), tree_(tree) { tree.SetNotify(this); }
    QStringList children;
    bool answer = true;
    int fills = 0;
    bool sawSnapshot = false;
    bool sawPlaceholder = true;

    bool FillChildren(TreeItem item) override {
        ++fills;
        tree_.log << "fill";
        sawSnapshot = SnapshotActive();
        sawPlaceholder = tree_.ChildItem(item) != nullptr;
        for (const QString& name : children) {
            TreeInsert child;
            child.mask = TreeInsert::Text;
            child.parent = item;
            child.text = name;
            tree_.InsertItem(child);
        }
        return answer;
    }

private:
    FakeTree& tree_;
};

class WaitingTreeProtocol : public ::testing::Test {
protected:
    FakeTree tree;
    ScriptedTree waiting{tree};
    TreeItem folder = nullptr;

    void SetUp() override {
        TreeInsert item;
        item.mask = TreeInsert::Text | TreeInsert::Children;
        item.parent = tree.RootItem();
        item.text = "Pictures";
        item.children = true;
        folder = tree.InsertItem(item);
        tree.firstVisible = folder;
        tree.log.clear();
    }
};

TEST_F(WaitingTreeProtocol, AFirstOpeningShowsLoadingThenFillsBehindFrozenDrawing) {
    waiting.SetShowWait(true);
    waiting.children = {"2023", "2024"};
    tree.Expand(folder);
    EXPECT_EQ(tree.log,
              QStringList({"paint", "redraw off", "insert Loading...",
                           // the placeholder is shown before the fill starts
                           "redraw on", "show Loading...", "paint", "begin effect", "redraw off",
                           "delete Loading...", "fill", "insert 2023", "insert 2024", "children 1",
                           "end effect", "redraw on", "scroll left"}));
    EXPECT_TRUE(waiting.sawSnapshot);
    EXPECT_FALSE(waiting.sawPlaceholder) << "the placeholder is gone before the hook runs";
    EXPECT_FALSE(waiting.SnapshotActive());
    EXPECT_EQ(tree.Labels(folder), QStringList({"2023", "2024"}));
}

TEST_F(WaitingTreeProtocol, WithoutTheWaitStageThePlaceholderIsNeverPainted) {
    waiting.children = {"a"};
    tree.Expand(folder);
    EXPECT_FALSE(tree.log.contains("show Loading..."));
    EXPECT_FALSE(tree.log.contains("begin effect"));
    EXPECT_EQ(tree.log.count("paint"), 1); // only before the placeholder goes in
}

TEST_F(WaitingTreeProtocol, AnOpenedFolderIsNeverFilledAgainAndClosingKeepsItsChildren) {
    waiting.children = {"a", "b"};
    tree.Expand(folder);
    tree.Collapse(folder);
    EXPECT_EQ(tree.Labels(folder), QStringList({"a", "b"}));
    tree.log.clear();
    tree.Expand(folder);
    EXPECT_EQ(waiting.fills, 1);
    EXPECT_EQ(waiting.PendingItem(), nullptr);
    EXPECT_EQ(tree.log, QStringList({"scroll left"})) << "no placeholder, no fill, only the scroll";
}

TEST_F(WaitingTreeProtocol, AnEmptyFolderLosesItsButtonWhenTheHookSaysSo) {
    tree.Expand(folder);
    EXPECT_TRUE(tree.Labels(folder).isEmpty());
    EXPECT_FALSE(tree.NodeOf(folder)->fields.children);
    EXPECT_TRUE(tree.NodeOf(folder)->expanded);
}

TEST_F(WaitingTreeProtocol, AnEmptyAnswerThatMayChangeKeepsTheButtonAndTriesAgain) {
    waiting.answer = false;
    tree.Expand(folder);
    EXPECT_TRUE(tree.NodeOf(folder)->fields.children);
    EXPECT_FALSE(tree.NodeOf(folder)->expanded);
    EXPECT_TRUE(tree.log.contains("closed"));

    waiting.children = {"DCIM"};
    tree.Expand(folder);
    EXPECT_EQ(waiting.fills, 2);
    EXPECT_EQ(tree.Labels(folder), QStringList({"DCIM"}));
}

TEST_F(WaitingTreeProtocol, AFalseAnswerWithChildrenLeavesTheButtonAlone) {
    waiting.answer = false;
    waiting.children = {"a"};
    tree.Expand(folder);
    EXPECT_FALSE(tree.log.contains("closed"));
    EXPECT_FALSE(tree.log.contains("children 1"));
    EXPECT_TRUE(tree.NodeOf(folder)->expanded);
}

TEST(WaitingTreeTopLevel, TheTopLevelIsFilledWithoutButtonCorrection) {
    FakeTree tree;
    ScriptedTree waiting(tree);
    waiting.answer = false;
    tree.Expand(tree.RootItem());
    EXPECT_EQ(waiting.fills, 1);
    EXPECT_TRUE(tree.log.filter("children").isEmpty());
    EXPECT_FALSE(tree.log.contains("closed"));
}

TEST_F(WaitingTreeProtocol, ChildrenAreScrolledIntoViewUntilTheOpenedItemIsAtTheTop) {
    waiting.children = {"c1", "c2", "c3", "c4", "c5"};
    tree.firstVisible = tree.RootItem(); // something above the folder is at the top
    int shown = 0;
    tree.onEnsureVisible = [&](TreeItem) {
        if (++shown == 3)
            tree.firstVisible = folder; // the third child pushed the folder to the top
    };
    tree.Expand(folder);
    const QStringList log = tree.log.filter("show ");
    EXPECT_EQ(log, QStringList({"show c1", "show c2", "show c3"}));
}

TEST_F(WaitingTreeProtocol, AnOpenedItemAlreadyAtTheTopIsNotScrolled) {
    waiting.children = {"c1", "c2"};
    tree.Expand(folder);
    EXPECT_TRUE(tree.log.filter("show ").isEmpty());
}

TEST_F(WaitingTreeProtocol, ClosingPostsTheScrollToTheLeft) {
    tree.Collapse(folder);
    EXPECT_EQ(tree.log, QStringList({"scroll left"}));
}

// A tree that fetches children at every opening and drops them at every closing.
class RefreshingTree : public ScriptedTree {
public:
    using ScriptedTree::ScriptedTree;
    bool RefreshOnExpand(TreeItem) override { return true; }
};

TEST(WaitingTreeRefresh, ARefreshingTreeReplacesTheChildrenAtEveryOpening) {
    FakeTree tree;
    RefreshingTree waiting(tree);
    TreeInsert item;
    item.mask = TreeInsert::Text;
    item.parent = tree.RootItem();
    item.text = "f";
    TreeItem folder = tree.InsertItem(item);
    waiting.children = {"old"};
    tree.Expand(folder);
    tree.Collapse(folder);
    EXPECT_TRUE(tree.Labels(folder).isEmpty());
    waiting.children = {"new"};
    tree.Expand(folder);
    tree.Expand(folder); // opened while open: replaced again, never doubled
    EXPECT_EQ(tree.Labels(folder), QStringList({"new"}));
}

TEST(WaitingTreeProgress, ProgressCountsWhatTheHookReports) {
    FakeTree tree;
    ScriptedTree waiting(tree);
    waiting.SetProgress(0, 0);
    waiting.AddProgress(1);
    waiting.AddProgress(2);
    int total = -1;
    EXPECT_EQ(waiting.GetProgress(&total), 3);
    EXPECT_EQ(total, 0);
}

} // namespace
} // namespace pix
