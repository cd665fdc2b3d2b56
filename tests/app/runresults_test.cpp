// What a run tells in the window: each failure's reason under its result line and on its row,
// what a damaged source cost, the summary at the end, which file the replace question means,
// and closing the window while a run goes on.
#include "app/framefixture.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QLabel>

namespace pix {
namespace {

class RunResults : public test::FrameTest {
protected:
    // A row of the file dir/name, converted to GIF into dir/out.
    void addRow(const QString& name, const QString& remarks = {}) {
        auto item = std::make_unique<JobItem>(test::itemFor(dir.path(), name, 16, 8));
        item->output.formatCode = kFormatGif;
        item->output.folder = dir.filePath("out");
        item->remarks = remarks;
        frame->jobList().AppendItem(std::move(item), name);
    }
    void write(const QString& name, const QByteArray& bytes) {
        QDir().mkpath(QFileInfo(dir.filePath(name)).path());
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    // A JPEG whose decoder finds stray bytes but reads the picture.
    void writeDamagedJpeg(const QString& name) {
        QImage image(16, 8, QImage::Format_RGB32);
        image.fill(Qt::red);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && image.save(&buffer, "JPG"));
        write(name, bytes.insert(2, "zzz"));
    }
    QVariant cell(const QString& name, int column, int role = Qt::DisplayRole) const {
        const JobList& list = frame->jobList();
        for (int row = 0; row < list.rowCount(); ++row) {
            if (list.rowName(row) == name)
                return list.data(list.index(row, column), role);
        }
        return {};
    }
    QString saved(const QString& name) const {
        return "The file has been saved to " + dir.filePath("out/" + name) + " successfully.";
    }
    QString unable(const QString& name) const {
        return "Unable to save the file - " + dir.filePath("out/" + name) + ".";
    }
};

TEST_F(RunResults, EachFailureIsToldUnderItsLineAndOnItsRowAndTheRunEndsWithASummary) {
    ASSERT_TRUE(test::writeQuadrantsPng(dir.filePath("a.png"), 16, 8));
    ASSERT_TRUE(test::writeQuadrantsPng(dir.filePath("b.png"), 16, 8));
    write("text.png", "not a picture");
    writeDamagedJpeg("stray.jpg");
    write("out/b.gif", "old");
    for (const char* name : {"a.png", "gone.png", "text.png", "stray.jpg", "b.png"})
        addRow(name, name == QString("gone.png") ? "again.gif" : "");
    runToEnd();

    const QStringList log = logLines();
    ASSERT_EQ(log.size(), 8) << log.join('\n').toStdString();
    EXPECT_EQ(log[0], saved("a.gif"));
    EXPECT_EQ(log[1], unable("gone.gif"));
    EXPECT_EQ(log[2], dir.filePath("gone.png") + ": the source file does not exist");
    EXPECT_EQ(log[3], unable("text.gif"));
    EXPECT_TRUE(log[4].startsWith(dir.filePath("text.png") + ": cannot read the picture"))
        << log[4].toStdString();
    EXPECT_EQ(log[5], saved("stray.gif"));
    EXPECT_TRUE(log[6].startsWith(dir.filePath("stray.jpg") + ": read despite damage ("));
    EXPECT_EQ(log[7], "2 converted, 2 failed, 1 not replaced");
    EXPECT_EQ(frame->progressLabel()->text(), log[7]);
    EXPECT_FALSE(frame->progressLabel()->isHidden());
    EXPECT_EQ(replace.paths, QStringList{dir.filePath("out/b.gif")});

    EXPECT_EQ(rowNames(), QStringList({"gone.png", "text.png", "b.png"}));
    const QString gone = "Failed: the source file does not exist; again.gif";
    EXPECT_EQ(cell("gone.png", kColumnRemarks), gone);
    EXPECT_EQ(cell("gone.png", kColumnName, Qt::ToolTipRole), gone);
    EXPECT_EQ(cell("gone.png", kColumnName, JobList::FailureRole),
              "the source file does not exist");
    EXPECT_TRUE(cell("text.png", kColumnRemarks).toString().startsWith("Failed: cannot read"));
    EXPECT_EQ(cell("b.png", kColumnRemarks), "") << "a declined row is not a failure";
    EXPECT_FALSE(cell("b.png", kColumnName, Qt::ToolTipRole).isValid());

    // Run again: the row handled without failing loses its mark; the one failing keeps it.
    ASSERT_TRUE(test::writeQuadrantsPng(dir.filePath("gone.png"), 16, 8));
    write("out/gone.gif", "old");
    replace.answers = {ReplaceAnswer::No, ReplaceAnswer::Yes};
    runToEnd();
    EXPECT_EQ(logLines().back(), "1 converted, 1 failed, 1 not replaced");
    EXPECT_EQ(rowNames(), QStringList({"gone.png", "text.png"}));
    EXPECT_EQ(cell("gone.png", kColumnRemarks), "again.gif");
    EXPECT_TRUE(cell("text.png", kColumnRemarks).toString().startsWith("Failed: "));
}

TEST_F(RunResults, AStoppedRunSaysWhereItStopped) {
    addRows({"a.png", "b.png", "c.png", "d.png"});
    for (int row = 0; row < 4; ++row)
        frame->jobList().itemAt(row)->output.formatCode = kFormatGif;
    QObject::connect(&frame->run(), &InteractiveRun::progress, [&](int done, int) {
        if (done == 1)
            frame->action(CommandId::Stop)->trigger();
    });
    runToEnd();
    EXPECT_EQ(logLines().back(), "stopped after 1 of 4: 1 converted");
    EXPECT_EQ(frame->progressLabel()->text(), "stopped after 1 of 4: 1 converted");
}

TEST_F(RunResults, ClosingDuringARunAsksFirst) {
    struct Case {
        bool running;
        std::deque<Answer> answers;
        bool asked;
        bool closesAtOnce;
        bool closedInTheEnd;
        int rowsLeft;
    };
    const Case cases[] = {
        {false, {}, false, true, true, 3},
        {true, {Answer::No}, true, false, false, 0}, // the window and the run go on
        {true, {Answer::Yes}, true, false, true, 3}, // stopped before its first row
    };
    for (const Case& c : cases) {
        makeFrame();
        prompt.questions.clear();
        prompt.answers = c.answers;
        addRows({"a.png", "b.png", "c.png"});
        for (int row = 0; row < 3; ++row)
            frame->jobList().itemAt(row)->output.formatCode = kFormatGif;
        frame->ShowFrame();
        if (c.running) {
            ASSERT_TRUE(frame->run().start());
        }
        EXPECT_EQ(frame->close(), c.closesAtOnce);
        EXPECT_EQ(prompt.questions,
                  c.asked ? QStringList{InteractiveRun::quitQuestion()} : QStringList());
        EXPECT_EQ(frame->run().isRunning(), c.running && !c.closesAtOnce);
        while (frame->run().isRunning())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QCoreApplication::processEvents();
        EXPECT_EQ(frame->isVisible(), !c.closedInTheEnd);
        EXPECT_EQ(frame->jobList().rowCount(), c.rowsLeft);
        EXPECT_EQ(prompt.questions.size(), c.asked ? 1 : 0) << "asked once";
    }
    EXPECT_EQ(InteractiveRun::quitQuestion(), "A conversion is running. Stop it and quit?");
}

} // namespace
} // namespace pix
