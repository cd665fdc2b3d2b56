// The run as an object: its signals, stopping it, failures on the workers and of the output
// folder, the event loop staying free while rows are prepared, and a row waiting for the row
// that writes its source.
#include "jobs/batchrunfixture.h"
#include "jobs/ensurefolder.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTimer>
#include <stdexcept>

namespace pix {
namespace {

using Outcome = RowResult::Outcome;

class BatchRunControl : public test::BatchRunFixture {
protected:
    QString unable(const QString& name) const {
        return QStringLiteral("Unable to save the file - %1.").arg(dir.filePath(name));
    }
};

TEST_F(BatchRunControl, SignalsFollowTheRowsAndTheEndComesAfterTheRemoval) {
    addPictures({"a.png", "b.png", "c.png"});
    QFile::remove(dir.filePath("b.png"));
    BatchRun run(list, context);
    QSignalSpy progress(&run, &BatchRun::progress);
    QSignalSpy rowDone(&run, &BatchRun::rowFinished);
    int rowsAtTheEnd = -1;
    QObject::connect(&run, &BatchRun::finished, [&] { rowsAtTheEnd = list.rowCount(); });

    run.runToCompletion();
    ASSERT_EQ(progress.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(progress.at(i).at(0).toInt(), i + 1);
        EXPECT_EQ(progress.at(i).at(1).toInt(), 3);
    }
    ASSERT_EQ(rowDone.size(), 3);
    EXPECT_EQ(rowDone.at(1).at(0).toInt(), 1);
    ASSERT_EQ(run.results().size(), 3u);
    EXPECT_EQ(run.results()[0].outcome, Outcome::Converted);
    EXPECT_EQ(run.results()[1].outcome, Outcome::Failed);
    EXPECT_EQ(run.results()[1].reason, SourceMissingReason());
    EXPECT_EQ(rowsAtTheEnd, 1);
    EXPECT_FALSE(run.isRunning());
}

TEST_F(BatchRunControl, AnEmptyListFinishesAtOnce) {
    BatchRun run(list, context);
    QSignalSpy finished(&run, &BatchRun::finished);
    run.start();
    EXPECT_EQ(finished.size(), 1);
    EXPECT_FALSE(run.isRunning());
    EXPECT_EQ(run.rowsTotal(), 0);
}

TEST_F(BatchRunControl, StopEndsAfterTheRowBeingCommittedAndTheRestStay) {
    addPictures({"a.png", "b.png", "c.png", "d.png"});
    BatchRun run(list, context, BatchOptions::withThreads(2));
    QObject::connect(&run, &BatchRun::rowFinished, [&](int index) {
        if (index == 1)
            run.stop();
    });
    run.runToCompletion();
    EXPECT_EQ(run.rowsDone(), 2);
    EXPECT_EQ(rows(), QStringList({"c.png", "d.png"}));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("b.jpg")));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("c.jpg")));
    EXPECT_EQ(log.lineCount(), 2);
}

// A question is answered while the person presses Stop: the row asked about is still written.
class StoppingPrompt : public test::ScriptedPrompt {
public:
    BatchRun* run = nullptr;
    Answer askYesNo(const QString& text, MessageIcon icon, QObject* owner) override {
        run->stop();
        return ScriptedPrompt::askYesNo(text, icon, owner);
    }
};

TEST_F(BatchRunControl, StopDuringAQuestionKeepsItsAnswer) {
    addPictures({"a.png", "b.png"});
    QFile existing(dir.filePath("a.jpg"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    StoppingPrompt asking;
    asking.answers = {Answer::Yes};
    BatchRun run(list, {&asking, nullptr, &log});
    asking.run = &run;
    run.runToCompletion();
    EXPECT_EQ(asking.questions.size(), 1);
    EXPECT_EQ(rows(), QStringList({"b.png"}));
    EXPECT_GT(QFileInfo(dir.filePath("a.jpg")).size(), 0);
}

TEST_F(BatchRunControl, RowsLeaveByIdentityWhenTheListIsSortedDuringTheRun) {
    addPictures({"c.png", "a.png", "b.png"});
    QFile::remove(dir.filePath("a.png")); // a stays
    BatchRun run(list, context);
    QObject::connect(&run, &BatchRun::rowFinished, [&](int index) {
        if (index == 0)
            list.SortByColumn(kColumnName); // a b c: every index changes
    });
    run.runToCompletion();
    EXPECT_EQ(rows(), QStringList({"a.png"}));
}

TEST_F(BatchRunControl, AnExceptionOnAWorkerFailsOnlyItsRow) {
    addPictures({"a.png", "b.png", "c.png"});
    BatchOptions options;
    options.prepare = [](const JobItem& item, const QString& source) {
        if (item.source.fileName == QLatin1String("b.png"))
            throw std::bad_alloc();
        return PrepareConversion(item, source);
    };
    BatchRun run(list, context, options);
    run.runToCompletion();
    EXPECT_EQ(rows(), QStringList({"b.png"}));
    ASSERT_EQ(run.results().size(), 3u);
    EXPECT_EQ(run.results()[1].outcome, Outcome::Failed);
    EXPECT_EQ(run.results()[1].reason,
              QString::fromUtf8(imaging::statusText(imaging::Status::OutOfMemory)));
    EXPECT_EQ(log.line(1).text, unable("b.jpg"));
}

TEST_F(BatchRunControl, AnOutputFolderThatCannotBeMadeFailsTheRowWithItsReason) {
    addPictures({"a.png", "b.png"});
    QFile blocker(dir.filePath("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where a folder should be
    blocker.close();
    const QString folder = dir.filePath("blocker/out");
    EXPECT_FALSE(EnsureFolder(folder + u'/'));
    list.itemAt(0)->output.folder = folder;

    BatchRun run(list, context);
    run.runToCompletion();
    EXPECT_EQ(rows(), QStringList({"a.png"}));
    EXPECT_EQ(run.results()[0].reason, FolderNotMadeReason(folder));
    EXPECT_EQ(log.line(0).text, QStringLiteral("Unable to save the file - %1/a.jpg.").arg(folder));
    EXPECT_EQ(log.line(0).path, std::nullopt);
    EXPECT_EQ(run.results()[1].outcome, Outcome::Converted);
}

TEST_F(BatchRunControl, TheEventLoopRunsWhileRowsArePrepared) {
    addPictures({"a.png", "b.png"});
    // The first row's preparation waits until the run's own thread has handled a timer: if
    // that thread were blocked waiting for the row, the wait would run out.
    QSemaphore timerFired;
    bool answeredInTime = false;
    BatchOptions options;
    options.threads = 1;
    options.prepare = [&](const JobItem& item, const QString& source) {
        if (item.source.fileName == QLatin1String("a.png"))
            answeredInTime = timerFired.tryAcquire(1, 10000);
        return PrepareConversion(item, source);
    };
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { timerFired.release(); });
    timer.start(1);
    BatchRun run(list, context, options);
    run.runToCompletion();
    EXPECT_TRUE(answeredInTime);
    EXPECT_EQ(list.rowCount(), 0);
}

// Workers start larger rows early, but never one whose source an earlier row of the run writes:
// it starts once that row is committed.
TEST_F(BatchRunControl, ALargeRowReadingAnEarlierRowsOutputWaitsForItsCommit) {
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

} // namespace
} // namespace pix
