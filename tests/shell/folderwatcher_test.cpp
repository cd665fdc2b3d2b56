// The folder watcher on a temporary folder: one report a burst, every path a folder was watched
// by, watches counted and bounded.
#include "shell/folderwatcher.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace pix {
namespace {

constexpr int kDelay = 50;

class Watching : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QDir disk{dir.path()};
    FolderWatcher watcher{kDelay};
    QList<QSet<QString>> reports;

    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        disk.mkpath("a/b");
        QFile::link(disk.filePath("a"), disk.filePath("link"));
        watcher.SetChanged([this](const QStringList& paths) {
            reports.append(QSet<QString>(paths.cbegin(), paths.cend()));
        });
    }
    QString path(const char* relative) const { return disk.filePath(relative); }
    // Waits for a report, then long enough for a second one to show.
    void settle() {
        EXPECT_TRUE(QTest::qWaitFor([this] { return !reports.isEmpty(); }, 5000));
        QTest::qWait(4 * kDelay);
    }
};

TEST_F(Watching, ABurstOfChangesIsReportedOnce) {
    watcher.Watch(path("a"));
    for (int i = 0; i < 40; ++i)
        disk.mkdir(QStringLiteral("a/n%1").arg(i));
    settle();
    ASSERT_EQ(reports.size(), 1);
    EXPECT_EQ(reports[0], QSet<QString>({path("a")}));
}

TEST_F(Watching, AFolderIsWatchedOnceAndReportedByEveryPathThatNamesIt) {
    watcher.Watch(path("a"));
    watcher.Watch(path("link"));
    watcher.Watch(path("link")); // a second item showing the same path
    EXPECT_EQ(watcher.WatchedFolders().size(), 1);
    disk.mkdir("a/new");
    settle();
    ASSERT_EQ(reports.size(), 1);
    EXPECT_EQ(reports[0], QSet<QString>({path("a"), path("link")}));

    reports.clear();
    watcher.Unwatch(path("a"));
    watcher.Unwatch(path("link"));
    EXPECT_EQ(watcher.WatchedFolders().size(), 1) << "one item still shows the link";
    watcher.Unwatch(path("link"));
    EXPECT_TRUE(watcher.WatchedFolders().isEmpty());
    disk.mkdir("a/later");
    QTest::qWait(4 * kDelay);
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(Watching, AWatchedFolderThatGoesIsReportedAndWatchedAgainWhenMadeAgain) {
    watcher.Watch(path("a/b"));
    ASSERT_TRUE(disk.rmdir("a/b"));
    settle();
    ASSERT_FALSE(reports.isEmpty());
    EXPECT_TRUE(reports[0].contains(path("a/b")));
    // Made again while its item still shows: watched again at the next report.
    reports.clear();
    disk.mkdir("a/b");
    watcher.Watch(path("a"));
    disk.mkdir("a/c");
    settle();
    EXPECT_TRUE(watcher.WatchedFolders().contains(path("a/b")));
    watcher.Unwatch(path("a"));
    watcher.Unwatch(path("a/b"));
}

TEST_F(Watching, NoMoreFoldersThanTheLimitAreWatched) {
    FolderWatcher few(kDelay, 2);
    for (const char* name : {"x", "y", "z"}) {
        disk.mkdir(name);
        few.Watch(path(name));
    }
    EXPECT_EQ(few.WatchedFolders().size(), 2);
    few.Watch(QString());
    few.Watch(path("missing"));
    EXPECT_EQ(few.WatchedFolders().size(), 2) << "no path and a missing one watch nothing";
    for (const char* name : {"x", "y", "z", "missing"})
        few.Unwatch(path(name));
    EXPECT_TRUE(few.WatchedFolders().isEmpty());
}

} // namespace
} // namespace pix
