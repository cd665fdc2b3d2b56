// The folder tree's logic over a sandbox folder, shown in an in-memory tree: what the
// namespace lists, how each item looks, and what happens to folders that cannot be opened.
#include "faketree.h"
#include "sandbox.h"
#include "shell/desktopfolder.h"
#include "shell/itemid.h"
#include "shell/shellicons.h"
#include "shell/shelltree.h"

#include <QDir>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace pix {
namespace {

class ShellTreeOverSandbox : public ::testing::Test {
protected:
    Sandbox sandbox;
    QByteArray oldHome = qgetenv("HOME");
    ShellAllocator* malloc = AcquireSharedMalloc();
    std::size_t blocksBefore = malloc->Outstanding();
    FakeTree tree;
    std::unique_ptr<ShellTree> shell;
    int recordsFreed = 0;
    FakeTree::Node* computer = nullptr;
    FakeTree::Node* home = nullptr;

    void SetUp() override {
        ASSERT_TRUE(sandbox.valid());
        qputenv("HOME", QFile::encodeName(sandbox.path()));
        shell = std::make_unique<ShellTree>(tree);
        tree.SetNotify(shell.get());
        tree.onDelete = [this] { ++recordsFreed; };
        shell->InitRoot();
        computer = tree.Find(tree.Root(), kDesktopName);
        ASSERT_NE(computer, nullptr);
        tree.Expand(computer);
        home = tree.Find(computer, kHomeName);
        ASSERT_NE(home, nullptr);
    }
    void TearDown() override {
        shell.reset();
        EXPECT_EQ(malloc->Outstanding(), blocksBefore) << "every identifier list was freed";
        ReleaseSharedMalloc();
        qputenv("HOME", oldHome);
    }
    FakeTree::Node* open(FakeTree::Node* parent, const QString& label) {
        FakeTree::Node* node = tree.Find(parent, label);
        if (node)
            tree.Expand(node);
        return node;
    }
};

TEST_F(ShellTreeOverSandbox, TheDesktopHoldsHomeAndTheFileSystemRoot) {
    EXPECT_EQ(tree.Labels(tree.Root()), QStringList({kDesktopName}));
    EXPECT_EQ(computer->fields.image, kIconComputer);
    const QStringList places = tree.Labels(computer);
    ASSERT_GE(places.size(), 2);
    EXPECT_EQ(places.mid(0, 2), QStringList({kHomeName, kRootName}));
    EXPECT_EQ(home->fields.image, kIconHome);
    EXPECT_TRUE(home->fields.children);
    EXPECT_EQ(shell->ItemPath(home), sandbox.path());
    EXPECT_EQ(shell->ItemPath(tree.Find(computer, kRootName)), "/");
    EXPECT_EQ(shell->ItemPath(computer), "") << "the desktop has no path";
}

TEST_F(ShellTreeOverSandbox, OnlyVisibleFoldersAppearInNameOrder) {
    tree.Expand(home);
    // No files, no hidden folders, no link that leads nowhere; case is ignored in the order.
    EXPECT_EQ(tree.Labels(home), QStringList({"Albums", "Alpha", "beta", "Empty", "Hidden only",
                                              "Locked", "Shortcut"}));
    FakeTree::Node* albums = open(home, "Albums");
    EXPECT_EQ(tree.Labels(albums), QStringList({"2023", "2024"}));
}

TEST_F(ShellTreeOverSandbox, ItemsCarryIconsOverlaysAndButtonsFromInsertion) {
    tree.Expand(home);
    FakeTree::Node* albums = tree.Find(home, "Albums");
    EXPECT_EQ(albums->fields.image, kIconFolder);
    EXPECT_EQ(albums->fields.selectedImage, kIconFolderOpen);
    EXPECT_EQ(albums->fields.overlay, 0);
    EXPECT_TRUE(albums->fields.children);
    EXPECT_FALSE(tree.Find(home, "Empty")->fields.children);
    EXPECT_FALSE(tree.Find(home, "Alpha")->fields.children);
    FakeTree::Node* shortcut = tree.Find(home, "Shortcut");
    EXPECT_TRUE(shortcut->fields.mask & TreeInsert::State);
    EXPECT_EQ(shortcut->fields.overlay, 2) << "a link to a folder is marked as a shortcut";
    EXPECT_TRUE(shortcut->fields.children);
    open(home, "Albums");
    EXPECT_TRUE(tree.Find(albums, "2023")->fields.children);
    EXPECT_FALSE(tree.Find(albums, "2024")->fields.children);
}

TEST_F(ShellTreeOverSandbox, ALinkOpensOntoItsTargetUnderItsOwnPath) {
    tree.Expand(home);
    FakeTree::Node* shortcut = open(home, "Shortcut");
    EXPECT_EQ(tree.Labels(shortcut), QStringList({"2023", "2024"}));
    EXPECT_EQ(shell->ItemPath(tree.Find(shortcut, "2023")), sandbox.path("Shortcut/2023"));
}

TEST_F(ShellTreeOverSandbox, AFolderWithOnlyHiddenChildrenLosesItsButtonWhenOpened) {
    tree.Expand(home);
    FakeTree::Node* hiddenOnly = open(home, "Hidden only");
    EXPECT_TRUE(hiddenOnly->children.empty());
    EXPECT_FALSE(hiddenOnly->fields.children);
}

TEST_F(ShellTreeOverSandbox, AFolderThatVanishedBeforeOpeningShowsNothing) {
    tree.Expand(home);
    FakeTree::Node* alpha = tree.Find(home, "Alpha");
    ASSERT_TRUE(QDir(sandbox.path()).rmdir("Alpha"));
    tree.Expand(alpha);
    EXPECT_TRUE(alpha->children.empty());
    EXPECT_FALSE(alpha->fields.children);
}

// Opens the unreadable folder and answers whether it shows no children and lost its button.
bool lockedFolderOpensEmpty(FakeTree& tree, FakeTree::Node* home) {
    tree.Expand(home);
    FakeTree::Node* locked = tree.Find(home, "Locked");
    if (!locked || !locked->fields.children)
        return false; // it has a sub-folder, so it starts with a button
    tree.Expand(locked);
    return locked->children.empty() && !locked->fields.children;
}

TEST_F(ShellTreeOverSandbox, AnUnreadableFolderOpensEmptyAndLosesItsButton) {
    if (Sandbox::permissionsEnforced()) {
        EXPECT_TRUE(lockedFolderOpensEmpty(tree, home));
        return;
    }
    // Root reads every folder: look at the sandbox as an ordinary user instead.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            if (setuid(65534) != 0)
                _exit(2);
            FakeTree asUser;
            ShellTree userShell(asUser);
            asUser.SetNotify(&userShell);
            userShell.InitRoot();
            FakeTree::Node* top = asUser.Find(asUser.Root(), kDesktopName);
            asUser.Expand(top);
            _exit(lockedFolderOpensEmpty(asUser, asUser.Find(top, kHomeName)) ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(ShellTreeOverSandbox, TheSelectedPathFollowsTheCaret) {
    EXPECT_EQ(shell->SelectedFolderPath(), "") << "nothing selected";
    tree.Select(computer);
    EXPECT_EQ(shell->SelectedFolderPath(), "");
    tree.Expand(home);
    FakeTree::Node* albums = open(home, "Albums");
    tree.Select(tree.Find(albums, "2023"));
    EXPECT_EQ(shell->SelectedFolderPath(), sandbox.path("Albums/2023"));
}

TEST_F(ShellTreeOverSandbox, EveryRecordIsFreedWithItsItem) {
    tree.Expand(home);
    open(home, "Albums");
    const int inserted = 1 + int(tree.Labels(computer).size()) + 7 + 2;
    shell.reset();
    EXPECT_EQ(recordsFreed, inserted);
    EXPECT_TRUE(tree.Root()->children.empty());
}

TEST_F(ShellTreeOverSandbox, ChildrenAreSortedOnlyWhenThereAreAny) {
    tree.Expand(home);
    tree.log.clear();
    open(home, "Empty");
    EXPECT_FALSE(tree.log.contains("sort"));
    open(home, "Albums");
    EXPECT_TRUE(tree.log.contains("sort"));
}

} // namespace
} // namespace pix

namespace pix {
namespace {

// A folder that names every child with the given text.
class NamingFolder : public ShellFolder {
public:
    explicit NamingFolder(QString name) : name_(std::move(name)) {}
    IdEnumerator* EnumObjects(uint32_t) override { return nullptr; }
    bool GetDisplayNameOf(const ItemIdList*, uint32_t, StrRet* name) override {
        name->uType = StrRet::WideString;
        MallocScope malloc;
        const std::size_t bytes = (std::size_t(name_.size()) + 1) * 2;
        name->pOleStr = static_cast<char16_t*>(malloc->Alloc(bytes));
        std::memcpy(name->pOleStr, name_.utf16(), bytes);
        return true;
    }
    uint32_t GetAttributesOf(const ItemIdList*, uint32_t mask) override {
        return (kAttrFolder | kAttrShare | kAttrLink) & mask;
    }
    int CompareIDs(const ItemIdList*, const ItemIdList*) override { return 0; }

private:
    QString name_;
};

TreeInsert attributesNamedBy(const QString& name) {
    FakeTree tree;
    ShellTree shell(tree);
    ShellItemData record{ShellRef<ShellFolder>::Adopt(new NamingFolder(name)),
                         CShellPidl(MakeFolderId("x", 0))};
    TreeInsert request;
    request.mask = TreeInsert::Text | TreeInsert::Image;
    request.param = &record;
    shell.FillItemAttributes(request);
    return request;
}

TEST(ShellTreeLabels, LongNamesAreCutTo259CharactersNeverInsideALetter) {
    EXPECT_EQ(attributesNamedBy(QString(300, 'a')).text, QString(259, 'a'));
    // A letter outside the basic plane takes two UTF-16 units; the cut keeps it whole or drops it.
    const QString clef = QStringLiteral("\U0001D11E");
    EXPECT_EQ(attributesNamedBy(QString(258, 'a') + clef).text, QString(258, 'a'));
    EXPECT_EQ(attributesNamedBy(QString(257, 'a') + clef).text, QString(257, 'a') + clef);
}

TEST(ShellTreeLabels, ASharedShortcutShowsTheSharedOverlayOnly) {
    EXPECT_EQ(attributesNamedBy("Public").overlay, 1);
}

} // namespace
} // namespace pix
