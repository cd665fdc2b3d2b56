// The Folders tab and its tree, shown offscreen over a sandbox home folder and driven by keyboard.
#include "sandbox.h"
#include "shell/childview.h"
#include "shell/desktopfolder.h"
#include "shell/idlist.h"
#include "shell/tabdockwnd.h"

#include <QAbstractItemModel>
#include <QDir>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace pix {
namespace {

class FoldersTab : public ::testing::Test {
public:
    Sandbox sandbox;
    QByteArray oldHome = qgetenv("HOME");
    ShellAllocator* malloc = AcquireSharedMalloc();
    std::size_t blocksBefore = malloc->Outstanding();
    std::unique_ptr<CTabDockWnd> dock;
    CChildView* tree = nullptr;

    void SetUp() override {
        qputenv("HOME", QFile::encodeName(sandbox.path()));
        dock = std::make_unique<CTabDockWnd>();
        dock->resize(300, 500);
        dock->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dock.get()));
        tree = dock->tree();
    }
    void TearDown() override {
        dock.reset();
        EXPECT_EQ(malloc->Outstanding(), blocksBefore) << "every identifier list was freed";
        ReleaseSharedMalloc();
        qputenv("HOME", oldHome);
    }
    static QTreeWidgetItem* child(QTreeWidgetItem* parent, const QString& label) {
        for (int i = 0; parent && i < parent->childCount(); ++i) {
            if (parent->child(i)->text(0) == label)
                return parent->child(i);
        }
        return nullptr;
    }
    static QStringList labels(QTreeWidgetItem* parent) {
        QStringList texts;
        for (int i = 0; i < parent->childCount(); ++i)
            texts << parent->child(i)->text(0);
        return texts;
    }
    QTreeWidgetItem* computer() const { return tree->topLevelItem(0); }
    QTreeWidgetItem* home() const { return child(computer(), kHomeName); }
    void press(Qt::Key key) { QTest::keyClick(tree, key); }
};

TEST_F(FoldersTab, ShowsOneTabWithTheDesktopOpened) {
    EXPECT_EQ(dock->windowTitle(), "Folders");
    ASSERT_EQ(dock->tabs()->count(), 1);
    EXPECT_EQ(dock->tabs()->tabText(0), "My Computer");
    EXPECT_FALSE(dock->tabs()->tabIcon(0).isNull());
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    EXPECT_EQ(computer()->text(0), kDesktopName);
    EXPECT_TRUE(computer()->isExpanded());
    EXPECT_EQ(labels(computer()).mid(0, 2), QStringList({kHomeName, kRootName}));
    EXPECT_EQ(dock->accessibleName(), "Folders");
    EXPECT_EQ(tree->accessibleName(), "My Computer");
    EXPECT_TRUE(tree->focusPolicy() & Qt::TabFocus);
}

TEST_F(FoldersTab, LoadingIsShownDuringTheFirstOpeningOnly) {
    QStringList inserted;
    QObject::connect(tree->model(), &QAbstractItemModel::rowsInserted,
                     [&](const QModelIndex& parent, int first, int last) {
                         for (int row = first; row <= last; ++row)
                             inserted << tree->model()->index(row, 0, parent).data().toString();
                     });
    tree->setFocus();
    tree->setCurrentItem(home());
    EXPECT_EQ(home()->childCount(), 0) << "children are fetched only when opened";
    press(Qt::Key_Right);
    ASSERT_FALSE(inserted.isEmpty());
    EXPECT_EQ(inserted.first(), "Loading...");
    EXPECT_EQ(labels(home()), QStringList({"Albums", "Alpha", "beta", "Empty", "Hidden only",
                                           "Locked", "Shortcut"}));
    press(Qt::Key_Left); // close
    EXPECT_FALSE(home()->isExpanded());
    inserted.clear();
    press(Qt::Key_Right); // open again: nothing fetched, nothing shown in between
    EXPECT_TRUE(home()->isExpanded());
    EXPECT_TRUE(inserted.isEmpty());
    EXPECT_EQ(home()->childCount(), 7);
}

TEST_F(FoldersTab, KeyboardMovesAnnounceTheSelectionQueuedAndGiveItsPath) {
    QSignalSpy changed(dock.get(), &CTabDockWnd::folderChanged);
    tree->setFocus();
    tree->setCurrentItem(home());
    QCoreApplication::processEvents();
    EXPECT_GE(changed.count(), 1);
    changed.clear();
    press(Qt::Key_Right); // opens Home
    for (int i = 0; i < 5; ++i)
        press(Qt::Key_Down); // Albums, Alpha, beta, Empty, Hidden only
    EXPECT_EQ(changed.count(), 0) << "the announcement waits until the tree is done";
    QCoreApplication::processEvents();
    EXPECT_EQ(changed.count(), 5) << "one for every move";
    EXPECT_EQ(tree->currentItem()->text(0), "Hidden only");
    EXPECT_EQ(dock->GetSelectedPath(), sandbox.path("Hidden only"));
    tree->setCurrentItem(computer());
    EXPECT_EQ(dock->GetSelectedPath(), "") << "the desktop has no path";
}

TEST_F(FoldersTab, TheStarKeyOpensOnlyTheCurrentFolder) {
    // Opening every descendant would read the whole disk under "File System".
    tree->setFocus();
    tree->setCurrentItem(home());
    QTest::keyClick(tree, Qt::Key_Asterisk);
    EXPECT_TRUE(home()->isExpanded());
    EXPECT_EQ(home()->childCount(), 7);
    EXPECT_EQ(child(home(), "Albums")->childCount(), 0);
}

TEST_F(FoldersTab, FoldersThatOpenEmptyLoseTheirButton) {
    tree->expandItem(home());
    QTreeWidgetItem* hiddenOnly = child(home(), "Hidden only");
    ASSERT_NE(hiddenOnly, nullptr);
    EXPECT_EQ(hiddenOnly->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    tree->expandItem(hiddenOnly);
    EXPECT_EQ(hiddenOnly->childCount(), 0);
    EXPECT_EQ(hiddenOnly->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicatorWhenChildless);

    QTreeWidgetItem* empty = child(home(), "Empty");
    EXPECT_EQ(empty->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicatorWhenChildless);
    tree->expandItem(empty);
    EXPECT_EQ(empty->childCount(), 0);
}

// Opens the unreadable folder in a fresh tab and answers whether it shows no children and lost
// its button.
bool lockedFolderOpensEmpty() {
    CTabDockWnd tab;
    CChildView* tree = tab.tree();
    QTreeWidgetItem* home = FoldersTab::child(tree->topLevelItem(0), kHomeName);
    tree->expandItem(home);
    QTreeWidgetItem* locked = FoldersTab::child(home, "Locked");
    if (!locked || locked->childIndicatorPolicy() != QTreeWidgetItem::ShowIndicator)
        return false; // it has a sub-folder, so it starts with a button
    tree->expandItem(locked);
    return locked->childCount() == 0 &&
           locked->childIndicatorPolicy() == QTreeWidgetItem::DontShowIndicatorWhenChildless;
}

TEST_F(FoldersTab, AnUnreadableFolderOpensEmptyAndLosesItsButton) {
    if (Sandbox::permissionsEnforced()) {
        EXPECT_TRUE(lockedFolderOpensEmpty());
        return;
    }
    // Root reads every folder: look at the sandbox as an ordinary user instead.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            if (setuid(65534) != 0)
                _exit(2);
            _exit(lockedFolderOpensEmpty() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(FoldersTab, EveryItemHasAnIconAndLinksAreMarked) {
    tree->expandItem(home());
    std::function<void(QTreeWidgetItem*)> check = [&](QTreeWidgetItem* item) {
        EXPECT_FALSE(item->icon(0).isNull()) << item->text(0).toStdString();
        for (int i = 0; i < item->childCount(); ++i)
            check(item->child(i));
    };
    check(computer());
    const QImage folder = child(home(), "Albums")->icon(0).pixmap(16).toImage();
    const QImage link = child(home(), "Shortcut")->icon(0).pixmap(16).toImage();
    EXPECT_NE(folder, link) << "the shortcut mark is drawn over the folder icon";
}

TEST_F(FoldersTab, AnOpenFolderFollowsTheDiskWithoutDisturbingTheSelection) {
    QDir disk(sandbox.path());
    tree->expandItem(home());
    tree->setCurrentItem(child(home(), "Albums"));
    QCoreApplication::processEvents();
    QSignalSpy changed(dock.get(), &CTabDockWnd::folderChanged);
    QSignalSpy gone(dock.get(), &CTabDockWnd::folderGone);

    ASSERT_TRUE(disk.mkdir("Aardvark"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return child(home(), "Aardvark") != nullptr; }, 5000));
    EXPECT_EQ(labels(home()).first(), "Aardvark");
    EXPECT_EQ(tree->currentItem()->text(0), "Albums");
    EXPECT_EQ(changed.count(), 0) << "the selected folder stays as it was";

    ASSERT_TRUE(QDir(sandbox.path("Albums")).removeRecursively());
    ASSERT_TRUE(QTest::qWaitFor([&] { return tree->currentItem() == home(); }, 5000));
    EXPECT_EQ(child(home(), "Albums"), nullptr);
    EXPECT_EQ(child(home(), "Shortcut"), nullptr) << "its link leads nowhere now";
    ASSERT_EQ(gone.count(), 1);
    EXPECT_EQ(gone.first().first().toString(), sandbox.path("Albums"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return changed.count() > 0; }, 1000));
    EXPECT_EQ(dock->GetSelectedPath(), sandbox.path());
    EXPECT_FALSE(dock->RefreshSelected()) << "home is still there";
}

TEST_F(FoldersTab, OpeningEveryFolderDownTheSandboxThenClosingTheTabFreesAll) {
    std::function<void(QTreeWidgetItem*)> openAll = [&](QTreeWidgetItem* item) {
        tree->expandItem(item);
        for (int i = 0; i < item->childCount(); ++i)
            openAll(item->child(i));
    };
    openAll(home());
    EXPECT_EQ(labels(child(child(home(), "Albums"), "2023")), QStringList({"Summer"}));
    EXPECT_EQ(labels(child(home(), "Shortcut")), QStringList({"2023", "2024"}));
    // TearDown destroys the tab and checks that every list went back to the allocator.
}

} // namespace
} // namespace pix
