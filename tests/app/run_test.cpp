// "Start" in the window: "Yes to All" and "No to All" for the rest of one run only, Stop, and
// the same lines and remaining rows as the run without a window.
#include "app/framefixture.h"
#include "app/runprompt.h"

#include <QAccessible>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QRegularExpression>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>

namespace pix {
namespace {

using A = ReplaceAnswer;

class WindowRun : public test::FrameTest {
protected:
    // Rows converted to JPEG files that already exist, so each asks the replace question.
    void addExisting(const QStringList& names) {
        addRows(names);
        for (int row = 0; row < frame->jobList().rowCount(); ++row) {
            JobItem* item = frame->jobList().itemAt(row);
            item->output.formatCode = kFormatJpg;
            QFile existing(dir.filePath(QString(item->source.fileName).replace(".png", ".jpg")));
            ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
            existing.write("old");
        }
    }
};

TEST_F(WindowRun, YesToAllCoversTheRestOfThisRunAndTheNextRunAsksAgain) {
    addExisting({"a.png", "b.png", "c.png", "d.png"});
    replace.answers = {A::No, A::YesToAll};
    runToEnd();
    EXPECT_EQ(replace.asked, 2);
    EXPECT_EQ(rowNames(), QStringList({"a.png"})); // declined stays, the others converted

    replace.answers = {A::NoToAll};
    addExisting({"e.png", "f.png"});
    runToEnd();
    EXPECT_EQ(replace.asked, 3);
    EXPECT_EQ(rowNames(), QStringList({"a.png", "e.png", "f.png"}));
}

TEST_F(WindowRun, ProgressShowsInTheStatusBarWhileTheWindowKeepsAnswering) {
    addRows({"a.png", "b.png", "c.png"});
    for (int row = 0; row < 3; ++row)
        frame->jobList().itemAt(row)->output.formatCode = kFormatGif;
    std::vector<QString> texts;
    QObject::connect(&frame->run(), &InteractiveRun::progress,
                     [&](int, int) { texts.push_back(frame->progressLabel()->text()); });
    ASSERT_TRUE(frame->run().start());
    EXPECT_EQ(frame->progressLabel()->text(), "0 of 3");
    EXPECT_FALSE(frame->progressBar()->isHidden());
    EXPECT_FALSE(frame->run().start()); // one run at a time
    while (frame->run().isRunning())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(texts, (std::vector<QString>{"1 of 3", "2 of 3", "3 of 3"}));
    EXPECT_TRUE(frame->progressBar()->isHidden());
    EXPECT_EQ(frame->jobList().rowCount(), 0);
}

// What a screen reader hears of the status bar: "Ready", a command's tip while the pointer is
// on its entry, the run's "n of N", each as the name of a label there.
TEST_F(WindowRun, TheStatusBarSpeaksTheMessageTheTipsAndTheProgress) {
    const auto heard = [](QWidget* widget) {
        return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
    };
    QLabel* message = frame->statusMessage();
    EXPECT_EQ(frame->statusBar()->findChild<QLabel*>("StatusMessage"), message);
    frame->show();
    EXPECT_EQ(heard(message), "Ready");
    // The pointer on the toolbar's "Add image", then away from it: the label stays shown.
    frame->action(CommandId::AddImage)->showStatusText(frame->toolBar());
    EXPECT_EQ(heard(message), "Add image");
    EXPECT_TRUE(message->isVisible());
    QStatusTipEvent away{QString()};
    QCoreApplication::sendEvent(frame->toolBar(), &away);
    EXPECT_EQ(heard(message), "Ready");

    addRows({"a.png", "b.png"});
    for (int row = 0; row < 2; ++row)
        frame->jobList().itemAt(row)->output.formatCode = kFormatGif;
    QStringList progress;
    QObject::connect(&frame->run(), &InteractiveRun::progress,
                     [&](int, int) { progress << heard(frame->progressLabel()); });
    ASSERT_TRUE(frame->run().start());
    progress << heard(frame->progressLabel());
    while (frame->run().isRunning())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(progress, QStringList({"0 of 2", "1 of 2", "2 of 2"}));
}

TEST_F(WindowRun, StopLeavesTheRowsNotReached) {
    addRows({"a.png", "b.png", "c.png", "d.png"});
    for (int row = 0; row < 4; ++row)
        frame->jobList().itemAt(row)->output.formatCode = kFormatJpg;
    QObject::connect(&frame->run(), &InteractiveRun::progress, [&](int done, int) {
        if (done == 1)
            frame->action(CommandId::Stop)->trigger();
    });
    runToEnd();
    EXPECT_EQ(rowNames(), QStringList({"b.png", "c.png", "d.png"}));
    EXPECT_EQ(logLines().size(), 2); // the row's line and the summary
}

TEST_F(WindowRun, EscapeStopsTheRun) {
    addRows({"a.png", "b.png", "c.png"});
    for (int row = 0; row < 3; ++row)
        frame->jobList().itemAt(row)->output.formatCode = kFormatPng;
    frame->show();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    ASSERT_TRUE(frame->run().start());
    QTest::keyClick(frame->jobListView(), Qt::Key_Escape);
    while (frame->run().isRunning())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_GE(frame->jobList().rowCount(), 2);
    EXPECT_FALSE(frame->action(CommandId::Stop)->isEnabled());
}

TEST_F(WindowRun, TheSameLinesAndRowsAsTheRunWithoutAWindow) {
    // A missing source, a refused replacement and two conversions.
    const auto fill = [this](JobList& list) {
        for (const char* name : {"a.png", "b.png", "gone.png", "d.png"}) {
            auto item = std::make_unique<JobItem>(test::itemFor(dir.path(), name, 16, 8));
            item->output.formatCode = kFormatBitmap;
            item->output.folder = dir.filePath("out");
            list.AppendItem(std::move(item), name);
        }
    };
    for (const char* name : {"a.png", "b.png", "d.png"})
        ASSERT_TRUE(test::writeQuadrantsPng(dir.filePath(name), 16, 8));
    QDir(dir.path()).mkdir("out");
    QFile existing(dir.filePath("out/b.bmp"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();

    test::ScriptedPrompt headlessPrompt; // answers No
    OutputLog headlessLog;
    JobList headless(&headlessPrompt);
    fill(headless);
    StartBatch(headless, {&headlessPrompt, nullptr, &headlessLog});
    QStringList headlessLines, headlessRows;
    for (int i = 0; i < headlessLog.lineCount(); ++i)
        headlessLines << headlessLog.line(i).text;
    for (int row = 0; row < headless.rowCount(); ++row)
        headlessRows << headless.rowName(row);
    ASSERT_TRUE(QFile::remove(dir.filePath("out/a.bmp")));
    ASSERT_TRUE(QFile::remove(dir.filePath("out/d.bmp")));

    fill(frame->jobList());
    replace.answers = {A::No};
    runToEnd();
    // The window adds the reasons and the summary; its result lines are the same.
    const QStringList resultLines = logLines().filter(QRegularExpression("^(The file|Unable)"));
    EXPECT_EQ(resultLines, headlessLines);
    EXPECT_EQ(rowNames(), headlessRows);
    EXPECT_EQ(headlessRows, QStringList({"b.png", "gone.png"}));
    EXPECT_EQ(headlessLines.size(), 3);
}

} // namespace
} // namespace pix
