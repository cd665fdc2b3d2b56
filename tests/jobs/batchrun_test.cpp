// Whole runs over real files in a temporary folder.
#include "jobs/batchrun.h"
#include "jobs/jobfixture.h"
#include "jobs/joblist.h"
#include "platform/imaging/decoder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <array>
#include <gtest/gtest.h>
#include <map>

namespace pix {
namespace {

class BatchRun : public ::testing::Test {
protected:
    QTemporaryDir dir;
    test::ScriptedPrompt prompt;
    OutputLog log;
    JobList list{&prompt};

    QString path(const QString& name) const { return dir.filePath(name); }

    // Adds a quadrants picture written to the temporary folder; returns its row.
    int addPicture(const QString& name, int width = 40, int height = 20) {
        EXPECT_TRUE(test::writeQuadrantsPng(path(name), width, height));
        return list.AppendItem(
            std::make_unique<JobItem>(test::itemFor(dir.path(), name, width, height)), name);
    }

    void run(int threads = 0) {
        StartBatch(list, {&prompt, nullptr, &log}, BatchOptions::withThreads(threads));
    }

    QStringList lines() const {
        QStringList out;
        for (int i = 0; i < log.lineCount(); ++i)
            out << log.line(i).text;
        return out;
    }
    QString saved(const QString& file) const {
        return QString("The file has been saved to %1 successfully.").arg(file);
    }
    QString unable(const QString& file) const {
        return QString("Unable to save the file - %1.").arg(file);
    }
};

TEST_F(BatchRun, AMissingSourceIsReportedAndItsRowStays) {
    for (const char* name : {"a.png", "b.png", "c.png"}) {
        const int row = addPicture(name);
        list.itemAt(row)->output.formatCode = kFormatJpg;
    }
    QFile::remove(path("b.png"));
    run();
    EXPECT_EQ(lines(),
              QStringList({saved(path("a.jpg")), unable(path("b.jpg")), saved(path("c.jpg"))}));
    EXPECT_EQ(log.line(0).path, dir.path()) << "a saved line carries its folder";
    EXPECT_EQ(log.line(1).path, std::nullopt);
    ASSERT_EQ(list.rowCount(), 1);
    EXPECT_EQ(list.rowName(0), "b.png");
    EXPECT_EQ(list.items().size(), 1u);
}

TEST_F(BatchRun, TheSecondRowWithTheSameOutputAsks) {
    addPicture("x.png");
    addPicture("x.bmp");
    for (int row = 0; row < 2; ++row)
        list.itemAt(row)->output.formatCode = kFormatGif;
    prompt.answers = {Answer::No};
    run();
    EXPECT_EQ(prompt.questions,
              QStringList{"The file is already exists. Would you like to replace the existing "
                          "file?"});
    EXPECT_EQ(lines(), QStringList{saved(path("x.gif"))}) << "a declined row logs nothing";
    ASSERT_EQ(list.rowCount(), 1);
    EXPECT_EQ(list.rowName(0), "x.bmp");
}

TEST_F(BatchRun, OverwriteReplacesWithoutAsking) {
    addPicture("x.png");
    list.itemAt(0)->output.formatCode = kFormatGif;
    list.itemAt(0)->output.overwrite = 1;
    QFile stale(path("x.gif"));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write("stale");
    stale.close();
    run();
    EXPECT_TRUE(prompt.questions.isEmpty());
    EXPECT_EQ(list.rowCount(), 0);
    QSize size;
    EXPECT_EQ(imaging::measureFile(path("x.gif"), size), imaging::Status::Ok);
}

TEST_F(BatchRun, SortingChangesTheOrderOfConversionsAndLines) {
    addPicture("b.png");
    addPicture("a.png");
    for (int row = 0; row < 2; ++row)
        list.itemAt(row)->output.formatCode = kFormatTiff;
    list.SortByColumn(kColumnName);
    run();
    EXPECT_EQ(lines(), QStringList({saved(path("a.tif")), saved(path("b.tif"))}));
}

TEST_F(BatchRun, MissingOutputFoldersAreCreatedLevelByLevel) {
    addPicture("a.png");
    list.itemAt(0)->output.folder = path("one/two");
    run();
    EXPECT_TRUE(QFileInfo(path("one/two/a.png")).isFile());
    EXPECT_EQ(lines(), QStringList{saved(path("one/two/a.png"))});
}

TEST_F(BatchRun, YesReplacesTheSourceWithItsOwnReencodedPicture) {
    addPicture("self.png", 40, 20);
    list.itemAt(0)->output.rotate = 90;
    list.itemAt(0)->output.width = 20;
    list.itemAt(0)->output.height = 40;
    prompt.answers = {Answer::Yes};
    run();
    EXPECT_EQ(prompt.questions.size(), 1);
    EXPECT_EQ(lines(), QStringList{saved(path("self.png"))});
    imaging::Picture picture;
    ASSERT_EQ(imaging::decodeFile(path("self.png"), picture), imaging::Status::Ok);
    EXPECT_EQ(picture.image().size(), QSize(20, 40));
    EXPECT_EQ(picture.image().pixel(2, 2), 0xFF0000FFu) << "turned clockwise: blue at top left";
    EXPECT_EQ(picture.image().pixel(17, 2), 0xFFFF0000u);
}

TEST_F(BatchRun, UndecodableSourcesAndUnwritableFormatsAreReportedNotSkipped) {
    QFile junk(path("junk.png"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("this is not a picture");
    junk.close();
    list.AppendItem(std::make_unique<JobItem>(test::itemFor(dir.path(), "junk.png", 10, 10)),
                    "junk.png");
    addPicture("icon.ico"); // a PNG named .ico: kept as an icon, which cannot be written
    list.itemAt(0)->output.formatCode = kFormatJpg;
    run();
    EXPECT_EQ(lines(), QStringList({unable(path("junk.jpg")), unable(path("icon.ico"))}));
    EXPECT_EQ(list.rowCount(), 2);
    EXPECT_FALSE(QFileInfo::exists(path("junk.jpg")));
}

TEST_F(BatchRun, AnAbsurdOutputSizeIsReported) {
    addPicture("a.png");
    list.itemAt(0)->output.width = 0;
    list.itemAt(0)->output.formatCode = kFormatBitmap;
    run();
    EXPECT_EQ(lines(), QStringList{unable(path("a.bmp"))});
    EXPECT_FALSE(QFileInfo::exists(path("a.bmp")));
}

TEST_F(BatchRun, ARowWaitsForTheRowThatWritesItsSourceHoweverThePathIsSpelt) {
    addPicture("a.png");
    list.itemAt(0)->output.folder = path("out/"); // written as .../out//a.png
    // The second row reads that output through a different spelling of the same folder.
    list.AppendItem(std::make_unique<JobItem>(test::itemFor(path("x/../out"), "a.png", 40, 20)),
                    "a.png");
    QDir().mkpath(path("x"));
    list.itemAt(1)->output.formatCode = kFormatJpg;
    list.itemAt(1)->output.folder = path("out");
    run(4);
    EXPECT_EQ(list.rowCount(), 0) << lines().join("\n").toStdString();
    EXPECT_TRUE(QFileInfo(path("out/a.jpg")).isFile());
}

// Builds the same mixed list of rows in a folder: renamed, resized, turned, missing sources,
// clashing outputs, a row whose source is written by an earlier row, and a few pictures far
// larger than the rest (rows 5, 16, 27, 38 and 49), which the workers start early.
void buildMixedList(JobList& list, const QString& folder) {
    for (int i = 0; i < 56; ++i) {
        const QString name = QString("p%1.png").arg(i, 2, 10, QChar('0'));
        const int scale = i % 11 == 5 ? 12 : 1;
        test::writeQuadrantsPng(folder + "/" + name, (30 + i) * scale, (20 + (i * 7) % 13) * scale);
        auto item = std::make_unique<JobItem>(test::itemFor(folder, name, 30 + i, 20));
        item->output.folder = folder + "/out";
        item->output.formatCode = std::array{kFormatJpg, kFormatPng, kFormatGif, kFormatTiff,
                                             kFormatBitmap}[std::size_t(i % 5)];
        item->output.rotate = (i % 4) * 90;
        item->output.mirror = i % 3 == 0;
        item->output.width = 10 + i;
        item->output.height = 12 + (i % 9);
        if (i % 7 == 0)
            item->output.prefix = "r"; // rows 0, 7, 14 ... share numbers: clashes
        item->output.startNumber = i % 2;
        list.AppendItem(std::move(item), name);
    }
    QFile::remove(folder + "/p13.png");
    QFile::remove(folder + "/p40.png");
    // A row that converts the output of row 1 (out/p01.png) again.
    list.AppendItem(std::make_unique<JobItem>(test::itemFor(folder + "/out", "p01.png", 11, 13)),
                    "p01.png");
    list.itemAt(list.rowCount() - 1)->output.formatCode = kFormatJpg;
}

TEST(BatchRunParallel, GivesTheSameFilesLinesAndRowsAsOneByOne) {
    QTemporaryDir serialDir, parallelDir;
    struct Result {
        QStringList lines, rows, questions;
        std::map<QString, QByteArray> files;
    };
    const auto runIn = [](const QString& folder, int threads) {
        test::ScriptedPrompt prompt;
        prompt.answers = {Answer::Yes, Answer::No, Answer::Yes, Answer::No, Answer::Yes};
        OutputLog log;
        JobList list(&prompt);
        buildMixedList(list, folder);
        StartBatch(list, {&prompt, nullptr, &log}, BatchOptions::withThreads(threads));
        Result r;
        for (int i = 0; i < log.lineCount(); ++i)
            r.lines << QString(log.line(i).text).replace(folder, "<dir>");
        for (int i = 0; i < list.rowCount(); ++i)
            r.rows << list.rowName(i);
        r.questions = prompt.questions;
        for (const QString& name : QDir(folder + "/out").entryList(QDir::Files)) {
            QFile file(folder + "/out/" + name);
            file.open(QIODevice::ReadOnly);
            r.files[name] = file.readAll();
        }
        return r;
    };
    const Result serial = runIn(serialDir.path(), 1);
    const Result parallel = runIn(parallelDir.path(), 4);
    EXPECT_EQ(serial.lines, parallel.lines);
    EXPECT_EQ(serial.rows, parallel.rows);
    EXPECT_EQ(serial.questions, parallel.questions);
    EXPECT_EQ(serial.files, parallel.files);
    EXPECT_GE(serial.files.size(), 40u);
    EXPECT_TRUE(serial.rows.contains("p13.png"));
    EXPECT_TRUE(serial.lines.last().startsWith("The file has been saved to <dir>/out/p01.jpg"))
        << "the row reading an earlier row's output found it written";
}

} // namespace
} // namespace pix
