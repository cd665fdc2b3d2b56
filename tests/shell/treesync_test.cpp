// The folder tree following the disk, over a sandbox home folder in an in-memory tree: what a
// new reading inserts and removes, where the selection goes when its folder is gone, and which
// folders are watched as items open and close.
#include "faketree.h"
#include "sandbox.h"
#include "shell/desktopfolder.h"
#include "shell/folderwatch.h"
#include "shell/mounts.h"
#include "shell/shelltree.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace pix {
namespace {

// Counts the watches of every path, as the tree asks for them.
class CountingWatch : public FolderWatch {
public:
    void Watch(const QString& path) override { ++uses[path]; }
    void Unwatch(const QString& path) override {
        EXPECT_GT(uses.value(path), 0) << "unwatched without a watch: " << path.toStdString();
        if (--uses[path] <= 0)
            uses.remove(path);
    }
    QMap<QString, int> uses;
};

const QStringList kHomeFolders = {"Albums",      "Alpha",  "beta",    "Empty",
                                  "Hidden only", "Locked", "Shortcut"};

// A sandbox home folder shown in an in-memory tree with home open; one per case.
class DiskTree {
public:
    Sandbox sandbox;
    QDir disk{sandbox.path()};
    QByteArray oldHome = qgetenv("HOME");
    ShellAllocator* malloc = AcquireSharedMalloc();
    std::size_t blocksBefore = malloc->Outstanding();
    CountingWatch watch;
    FakeTree tree;
    std::unique_ptr<ShellTree> shell;
    QStringList told; // the gone folders the tree reported
    FakeTree::Node* computer = nullptr;
    FakeTree::Node* home = nullptr;

    DiskTree() {
        qputenv("HOME", QFile::encodeName(sandbox.path()));
        shell = std::make_unique<ShellTree>(tree);
        tree.SetNotify(shell.get());
        shell->SetFolderWatch(&watch);
        shell->SetGoneHandler([this](const QString& path) { told << path; });
        shell->InitRoot();
        computer = tree.Find(tree.Root(), kDesktopName);
        tree.Expand(computer);
        home = tree.Find(computer, kHomeName);
        tree.Expand(home);
        tree.log.clear();
    }
    ~DiskTree() {
        shell.reset();
        EXPECT_TRUE(watch.uses.isEmpty()) << "every watch ended with its item";
        EXPECT_EQ(malloc->Outstanding(), blocksBefore) << "every identifier list was freed";
        ReleaseSharedMalloc();
        qputenv("HOME", oldHome);
    }
    // The item at a path below home ("Albums/2023"), opening each step on the way.
    FakeTree::Node* open(const QString& relative) {
        FakeTree::Node* node = home;
        for (const QString& label : relative.split('/')) {
            node = node ? tree.Find(node, label) : nullptr;
            if (node && !node->expanded)
                tree.Expand(node);
        }
        return node;
    }
    QStringList watched() const {
        QStringList paths;
        for (const QString& path : watch.uses.keys()) {
            if (path.startsWith(sandbox.path()))
                paths << disk.relativeFilePath(path);
        }
        return paths;
    }
};

// How the tree learns of a change.
enum class Road { WatchReport, Refresh };

struct DiskChange {
    const char* what;
    std::function<void(QDir&)> change;
    QStringList homeAfter;
    std::function<void(const DiskTree&)> alsoCheck = nullptr;
};

TEST(TreeFollowsDisk, ANewReadingInsertsAndRemovesOnlyWhatDiffers) {
    const DiskChange cases[] = {
        {"a new folder takes its place in name order",
         [](QDir& d) { d.mkdir("Gamma"); },
         {"Albums", "Alpha", "beta", "Empty", "Gamma", "Hidden only", "Locked", "Shortcut"}},
        {"a removed folder leaves",
         [](QDir& d) { d.rmdir("Alpha"); },
         {"Albums", "beta", "Empty", "Hidden only", "Locked", "Shortcut"}},
        {"a renamed folder leaves and comes back under its new name",
         [](QDir& d) { d.rename("beta", "zeta"); },
         {"Albums", "Alpha", "Empty", "Hidden only", "Locked", "Shortcut", "zeta"}},
        {"files and hidden folders change nothing",
         [](QDir& d) {
             d.mkdir(".cache");
             QFile(d.filePath("new.txt")).open(QIODevice::WriteOnly);
         },
         kHomeFolders},
        {"a link to a folder counts as a folder",
         [](QDir& d) { QFile::link(d.filePath("Empty"), d.filePath("Also empty")); },
         {"Albums", "Alpha", "Also empty", "beta", "Empty", "Hidden only", "Locked", "Shortcut"}},
        {"a folder replaced by a link is a new child, marked as a shortcut",
         [](QDir& d) {
             d.rmdir("Empty");
             QFile::link(d.filePath("Albums"), d.filePath("Empty"));
         },
         kHomeFolders,
         [](const DiskTree& t) {
             EXPECT_EQ(t.tree.Find(t.home, "Empty")->fields.overlay, 2);
             EXPECT_TRUE(t.tree.Find(t.home, "Empty")->fields.children);
         }},
        {"a closed child that gets a sub-folder gets its button",
         [](QDir& d) { d.mkpath("Alpha/Inner"); }, kHomeFolders,
         [](const DiskTree& t) { EXPECT_TRUE(t.tree.Find(t.home, "Alpha")->fields.children); }},
    };
    for (const Road road : {Road::WatchReport, Road::Refresh}) {
        for (const DiskChange& c : cases) {
            SCOPED_TRACE(c.what);
            SCOPED_TRACE(road == Road::Refresh ? "Refresh" : "watch report");
            DiskTree t;
            FakeTree::Node* albums = t.open("Albums");
            c.change(t.disk);
            t.tree.log.clear();
            if (road == Road::Refresh) {
                t.tree.Select(t.home);
                EXPECT_FALSE(t.shell->RefreshSelected());
            } else {
                t.shell->FoldersChanged({t.sandbox.path()});
            }
            EXPECT_EQ(t.tree.Labels(t.home), c.homeAfter);
            EXPECT_EQ(t.tree.Find(t.home, "Albums"), albums) << "a child that stays is kept";
            EXPECT_EQ(t.tree.Labels(albums), QStringList({"2023", "2024"}));
            EXPECT_TRUE(t.told.isEmpty());
            const QString log = t.tree.log.join(',');
            if (c.alsoCheck) {
                c.alsoCheck(t);
            } else if (c.homeAfter == kHomeFolders) {
                EXPECT_FALSE(log.contains("insert") || log.contains("delete")) << log.toStdString();
            }
        }
    }
}

struct GoneCase {
    const char* what;
    const char* selected;
    const char* removed;
    Road road;
    const char* reported; // the folder whose watch reports (WatchReport only)
    const char* selectedAfter;
    bool told;
};

TEST(TreeFollowsDisk, AGoneSelectedFolderLeavesForItsNearestExistingAncestor) {
    const GoneCase cases[] = {
        {"its parent's watch reports", "Albums/2023/Summer", "Albums/2023", Road::WatchReport,
         "Albums", "Albums", true},
        {"Refresh finds it gone", "Albums/2023/Summer", "Albums/2023", Road::Refresh, nullptr,
         "Albums", true},
        {"its own watch reports, two levels gone", "Albums/2023/Summer", "Albums",
         Road::WatchReport, "Albums/2023", ".", true},
        {"through a link, the link's folder is selected", "Shortcut/2023", "Albums/2023",
         Road::WatchReport, "Shortcut", "Shortcut", true},
        {"another folder going leaves the selection", "Alpha", "Albums/2024", Road::WatchReport,
         "Albums", "Alpha", false},
    };
    for (const GoneCase& c : cases) {
        SCOPED_TRACE(c.what);
        DiskTree t;
        t.open("Albums/2023");
        t.open("Shortcut/2023");
        FakeTree::Node* selected = t.open(c.selected);
        ASSERT_NE(selected, nullptr);
        t.tree.Select(selected);
        ASSERT_TRUE(QDir(t.disk.filePath(c.removed)).removeRecursively());
        if (c.road == Road::Refresh)
            EXPECT_EQ(t.shell->RefreshSelected(), c.told);
        else
            t.shell->FoldersChanged({t.disk.filePath(c.reported)});
        EXPECT_EQ(t.shell->SelectedFolderPath(), QDir::cleanPath(t.disk.filePath(c.selectedAfter)));
        EXPECT_EQ(t.told, c.told ? QStringList{t.disk.filePath(c.selected)} : QStringList());
        EXPECT_EQ(t.watched().contains(c.selected), !c.told) << "a gone folder is not watched";
    }
}

TEST(TreeFollowsDisk, OnlyFoldersShownOpenAreWatched) {
    DiskTree t;
    struct Step {
        const char* what;
        std::function<void()> act;
        QStringList watched;
    };
    const Step steps[] = {
        {"home is open, and the desktop watches where media are mounted",
         [&] {
             for (const QString& folder : MediaMountFolders())
                 EXPECT_TRUE(t.watch.uses.contains(folder)) << folder.toStdString();
         },
         {"."}},
        {"open Albums and its link",
         [&] {
             t.open("Albums");
             t.open("Shortcut");
         },
         {".", "Albums", "Shortcut"}},
        {"open 2023", [&] { t.open("Albums/2023"); }, {".", "Albums", "Albums/2023", "Shortcut"}},
        {"close Albums: 2023 goes out of sight with it",
         [&] { t.tree.Collapse(t.tree.Find(t.home, "Albums")); },
         {".", "Shortcut"}},
        {"close home", [&] { t.tree.Collapse(t.home); }, {}},
        {"while closed a folder appears; home opens again with what was open below it",
         [&] {
             t.disk.mkpath("Albums/2025");
             t.tree.Expand(t.home);
         },
         {".", "Shortcut"}},
        {"Albums opens again and is read again",
         [&] {
             t.tree.Expand(t.tree.Find(t.home, "Albums"));
             EXPECT_EQ(t.tree.Labels(t.tree.Find(t.home, "Albums")),
                       QStringList({"2023", "2024", "2025"}));
         },
         {".", "Albums", "Albums/2023", "Shortcut"}},
        {"the link goes: its item and watch go",
         [&] {
             t.disk.remove("Shortcut");
             t.shell->FoldersChanged({t.sandbox.path()});
         },
         {".", "Albums", "Albums/2023"}},
        {"the selected folder is watched, open or not",
         [&] { t.tree.Select(t.tree.Find(t.home, "Alpha")); },
         {".", "Albums", "Albums/2023", "Alpha"}},
        {"a sub-folder made in it appears under it, with its button",
         [&] {
             t.disk.mkpath("Alpha/Inner");
             t.shell->FoldersChanged({t.disk.filePath("Alpha")});
             EXPECT_EQ(t.tree.Labels(t.tree.Find(t.home, "Alpha")), QStringList({"Inner"}));
             EXPECT_TRUE(t.tree.Find(t.home, "Alpha")->fields.children);
         },
         {".", "Albums", "Albums/2023", "Alpha"}},
        {"the selection moves on", [&] { t.tree.Select(t.home); }, {".", "Albums", "Albums/2023"}},
        {"the desktop closes: only the selected home stays watched",
         [&] {
             t.tree.Collapse(t.computer);
             for (const QString& folder : MediaMountFolders())
                 EXPECT_FALSE(t.watch.uses.contains(folder)) << folder.toStdString();
         },
         {"."}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        EXPECT_EQ(t.watched(), step.watched);
    }
}

} // namespace
} // namespace pix
