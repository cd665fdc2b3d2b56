// The order in which the workers prepare rows on a list of mixed sizes: large rows start early
// and one at a time, commits stay in row order, dependent rows wait, Stop keeps its place and
// the prepared results waiting for their commit stay bounded.
#include "jobs/batchrunfixture.h"
#include "platform/imaging/cores.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QHash>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace pix {
namespace {

using Outcome = RowResult::Outcome;

// Records the order in which rows start; a row may wait (once, with a limit) until another
// row has started, so that the order two workers take rows in is observed for sure.
struct StartOrder {
    std::mutex mutex;
    std::condition_variable changed;
    QStringList started;
    bool gaveUp = false;

    void record(const QString& name) {
        std::lock_guard lock(mutex);
        started << name;
        changed.notify_all();
    }
    void awaitStart(const QString& name) {
        std::unique_lock lock(mutex);
        if (!gaveUp && !changed.wait_for(lock, std::chrono::seconds(5),
                                         [&] { return started.contains(name); }))
            gaveUp = true;
    }
    QStringList order() {
        std::lock_guard lock(mutex);
        return started;
    }
};

class BatchRunOrder : public test::BatchRunFixture {
protected:
    QString saved(const QString& name) const {
        return QStringLiteral("The file has been saved to %1 successfully.")
            .arg(dir.filePath(name));
    }
};

TEST_F(BatchRunOrder, ALargeRowStartsBeforeTheSmallRowsBehindItAndCommitsInItsPlace) {
    for (const char* name : {"a.png", "b.png", "c.png", "d.png"})
        addPicture(name);
    addPicture("large.png", 600, 400);
    for (const char* name : {"e.png", "f.png", "g.png", "h.png"})
        addPicture(name);
    StartOrder seen;
    BatchOptions options = BatchOptions::withThreads(2);
    options.prepare = [&](const JobItem& item, const QString& source) {
        seen.record(item.source.fileName);
        if (item.source.fileName != QLatin1String("large.png"))
            seen.awaitStart("large.png");
        return PrepareConversion(item, source);
    };
    BatchRun run(list, context, options);
    QStringList finished;
    QObject::connect(&run, &BatchRun::rowFinished, [&](int index, const RowResult& result) {
        finished << QString("%1 %2").arg(index).arg(QFileInfo(result.outputPath).fileName());
    });
    run.runToCompletion();

    const QStringList order = seen.order();
    ASSERT_EQ(order.size(), 9);
    EXPECT_LE(order.indexOf("large.png"), 1) << order.join(' ').toStdString();
    EXPECT_FALSE(seen.gaveUp);
    EXPECT_EQ(finished, QStringList({"0 a.jpg", "1 b.jpg", "2 c.jpg", "3 d.jpg", "4 large.jpg",
                                     "5 e.jpg", "6 f.jpg", "7 g.jpg", "8 h.jpg"}));
    EXPECT_EQ(lines(), QStringList({saved("a.jpg"), saved("b.jpg"), saved("c.jpg"), saved("d.jpg"),
                                    saved("large.jpg"), saved("e.jpg"), saved("f.jpg"),
                                    saved("g.jpg"), saved("h.jpg")}));
    EXPECT_TRUE(rows().isEmpty());
}

TEST_F(BatchRunOrder, LargeRowsArePreparedOneAtATimeWhileSmallRowsRemain) {
    for (int i = 0; i < 12; ++i)
        addPicture(QString("s%1.png").arg(i, 2, 10, QChar('0')));
    addPicture("t1.png", 600, 400);
    addPicture("t2.png", 600, 400);
    // A large row gives the other a fair chance to start beside it; the small rows take long
    // enough together that the other large row cannot come to its turn meanwhile.
    std::mutex mutex;
    std::condition_variable changed;
    int largeNow = 0, largeMost = 0;
    BatchOptions options = BatchOptions::withThreads(2);
    options.prepare = [&](const JobItem& item, const QString& source) {
        if (item.source.fileName.startsWith('s')) {
            std::this_thread::sleep_for(std::chrono::milliseconds(40));
            return PrepareConversion(item, source);
        }
        std::unique_lock lock(mutex);
        largeMost = std::max(largeMost, ++largeNow);
        changed.notify_all();
        changed.wait_for(lock, std::chrono::milliseconds(100), [&] { return largeNow > 1; });
        --largeNow;
        lock.unlock();
        return PrepareConversion(item, source);
    };
    BatchRun run(list, context, options);
    run.runToCompletion();
    EXPECT_EQ(largeMost, 1);
    EXPECT_TRUE(rows().isEmpty());
}

TEST_F(BatchRunOrder, OneWorkerPreparesInRowOrder) {
    addPicture("a.png");
    addPicture("large.png", 600, 400);
    addPicture("b.png");
    StartOrder seen;
    BatchOptions options = BatchOptions::withThreads(1);
    options.prepare = [&](const JobItem& item, const QString& source) {
        seen.record(item.source.fileName);
        return PrepareConversion(item, source);
    };
    StartBatch(list, context, options);
    EXPECT_EQ(seen.order(), QStringList({"a.png", "large.png", "b.png"}));
}

TEST_F(BatchRunOrder, ALargeRowReadingAnEarlierRowsOutputWaitsForItsCommit) {
    addPicture("a.png");
    addPicture("large.png", 600, 400);
    list.itemAt(1)->output.formatCode = kFormatPng; // writes out/large.png, full size
    list.itemAt(1)->output.folder = dir.filePath("out");
    list.itemAt(1)->output.width = 600;
    list.itemAt(1)->output.height = 400;
    addPicture("b.png");
    // Converts out/large.png again; it does not exist when the run starts.
    list.AppendItem(
        std::make_unique<JobItem>(test::itemFor(dir.filePath("out"), "large.png", 600, 400)),
        "large.png");
    list.itemAt(3)->output.formatCode = kFormatJpg;
    addPicture("c.png");
    addPicture("d.png");
    bool sourceWritten = false;
    BatchOptions options = BatchOptions::withThreads(2);
    options.prepare = [&](const JobItem& item, const QString& source) {
        if (item.source.folder == dir.filePath("out"))
            sourceWritten = QFileInfo(source).size() > 0;
        return PrepareConversion(item, source);
    };
    BatchRun run(list, context, options);
    run.runToCompletion();
    EXPECT_TRUE(sourceWritten);
    ASSERT_EQ(run.results().size(), 6u);
    for (const RowResult& result : run.results())
        EXPECT_EQ(result.outcome, Outcome::Converted) << result.reason.toStdString();
    EXPECT_TRUE(QFileInfo(dir.filePath("out/large.jpg")).isFile());
}

TEST_F(BatchRunOrder, StopAfterARowLeavesALargeRowPreparedAheadUnwritten) {
    for (const char* name : {"a.png", "b.png"})
        addPicture(name);
    addPicture("large.png", 600, 400);
    for (const char* name : {"c.png", "d.png"})
        addPicture(name);
    StartOrder seen;
    BatchOptions options = BatchOptions::withThreads(2);
    options.prepare = [&](const JobItem& item, const QString& source) {
        seen.record(item.source.fileName);
        if (item.source.fileName == QLatin1String("b.png"))
            seen.awaitStart("large.png"); // the large row is on its way when b is committed
        return PrepareConversion(item, source);
    };
    BatchRun run(list, context, options);
    QObject::connect(&run, &BatchRun::rowFinished, [&](int index) {
        if (index == 1)
            run.stop();
    });
    run.runToCompletion();
    EXPECT_FALSE(seen.gaveUp);
    EXPECT_EQ(run.rowsDone(), 2);
    EXPECT_EQ(rows(), QStringList({"large.png", "c.png", "d.png"}));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("large.jpg")));
    EXPECT_EQ(lines(), QStringList({saved("a.jpg"), saved("b.jpg")}));
}

TEST_F(BatchRunOrder, ResultsWaitingForTheirCommitHoldTheLookAheadBack) {
    for (int i = 0; i < 10; ++i)
        addPicture(QString("p%1.png").arg(i));
    // Every row but the first prepares a result far larger than its picture; while the first
    // row is prepared, only the rows up to one beyond the workers may start.
    std::mutex mutex;
    std::condition_variable changed;
    int othersStarted = 0;
    int startedDuringFirst = -1;
    BatchOptions options = BatchOptions::withThreads(2);
    options.prepare = [&](const JobItem& item, const QString& source) {
        std::unique_lock lock(mutex);
        if (item.source.fileName == QLatin1String("p0.png")) {
            // The two rows that may start get long enough on a loaded machine; a third that
            // must not start gets a short while to show up.
            changed.wait_for(lock, std::chrono::seconds(30), [&] { return othersStarted >= 2; });
            changed.wait_for(lock, std::chrono::milliseconds(300),
                             [&] { return othersStarted > 2; });
            startedDuringFirst = othersStarted;
            lock.unlock();
            return PrepareConversion(item, source);
        }
        ++othersStarted;
        changed.notify_all();
        PreparedConversion large;
        large.outcome = PreparedConversion::Outcome::Encoded;
        large.bytes = QByteArray(1 << 20, 'x');
        return large;
    };
    BatchRun run(list, context, options);
    run.runToCompletion();
    EXPECT_EQ(startedDuringFirst, 2);
    EXPECT_EQ(run.rowsDone(), 10);
}

TEST_F(BatchRunOrder, OnlyRowsWithNothingLeftToStartMayUseMoreCores) {
    // Libraries that split a picture over threads take the cores no other row will.
    const struct {
        int threads;
        QStringList names;
    } cases[] = {{3, {"only.png"}}, {2, {"a.png", "b.png", "c.png", "d.png"}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.threads);
        list.RemoveAll();
        for (const QString& name : c.names)
            addPicture(name);
        std::mutex mutex;
        QHash<QString, int> cores;
        BatchOptions options = BatchOptions::withThreads(c.threads);
        options.prepare = [&](const JobItem& item, const QString& source) {
            {
                std::lock_guard lock(mutex);
                cores.insert(item.source.fileName, imaging::coresForThisThread());
            }
            return PrepareConversion(item, source);
        };
        BatchRun run(list, context, options);
        run.runToCompletion();
        if (c.names.size() == 1) {
            EXPECT_EQ(cores.value("only.png"), 3);
            continue;
        }
        for (const char* name : {"a.png", "b.png", "c.png"})
            EXPECT_EQ(cores.value(name), 1) << name;
        EXPECT_GE(cores.value("d.png"), 1); // 2 when c.png was done before d.png started
        EXPECT_LE(cores.value("d.png"), 2);
    }
}

} // namespace
} // namespace pix
