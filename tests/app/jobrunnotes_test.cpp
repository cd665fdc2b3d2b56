// What the job run says when something goes wrong: no source is ever lost, every failure has a
// note on standard error with the source and the reason, and the exit status tells the truth.
#include "app/jobrunfixture.h"
#include "wmf/wmftestdata.h"

#include <QImage>
#include <QStandardPaths>
#include <cstdio>
#include <unistd.h>

namespace {

using test::JobRun;
using test::Outcome;

QString saved(const QString& path) {
    return QStringLiteral("The file has been saved to %1 successfully.\n").arg(path);
}
QString unable(const QString& path) {
    return QStringLiteral("Unable to save the file - %1.\n").arg(path);
}

QRgb centre(const QString& path) {
    const QImage image(path);
    return image.isNull() ? 0 : image.pixel(image.width() / 2, image.height() / 2);
}

bool near(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) < 40 && std::abs(qGreen(a) - qGreen(b)) < 40 &&
           std::abs(qBlue(a) - qBlue(b)) < 40;
}

class JobRunNotes : public JobRun {
protected:
    void writeFilled(const QString& name, QColor colour, const char* format) {
        QDir().mkpath(QFileInfo(path(name)).path());
        QImage image(16, 12, QImage::Format_RGB32);
        image.fill(colour);
        ASSERT_TRUE(image.save(path(name), format));
    }
    Outcome runJob(const QByteArray& entries) {
        writeText("job.xml", "<job>\n" + entries + "</job>\n");
        return run({"job.xml"});
    }
};

TEST_F(JobRunNotes, ARowNeverReplacesThePictureALaterRowStillConverts) {
    writeFilled("in/x.png", Qt::red, "PNG");
    writeFilled("in/x.jpg", Qt::blue, "JPG");
    const Outcome r =
        runJob(R"(<folder path="in" filter="*.png;*.jpg" outputformat="jpg" overwrite="1"/>)");
    EXPECT_EQ(r.out, unable("in/x.jpg") + saved("in/x.jpg"));
    EXPECT_TRUE(r.err.contains("pixovia: in/x.png: it would replace in/x.jpg, which a later row "
                               "still has to convert"))
        << r.err.toStdString();
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(near(centre(path("in/x.jpg")), qRgb(0, 0, 255))) << "the original was converted";
}

TEST_F(JobRunNotes, RowsWritingOneFileAreNamedAndFailTheRun) {
    writeFilled("in/Pic.png", Qt::red, "PNG");
    writeFilled("in/pic.png", Qt::green, "PNG");
    const Outcome r = runJob(
        R"(<folder path="in" filter="*.png" outputformat="gif" overwrite="1" outputfolder="out"/>)");
    EXPECT_EQ(r.out, saved("out/pic.gif") + saved("out/pic.gif")) << "written as before";
    EXPECT_TRUE(r.err.contains("pixovia: in/Pic.png and in/pic.png are both written to "
                               "out/pic.gif"))
        << r.err.toStdString();
    EXPECT_EQ(r.status, 1);
}

// keepfolders writes each picture into its folder below the output folder: the pictures of two
// sub-folders that share a name no longer meet there, and the clash and source checks follow
// the new paths.
TEST_F(JobRunNotes, KeptFoldersAndTheChecksOfTheRun) {
    writeFilled("in/a/x.png", Qt::red, "PNG");
    writeFilled("in/b/deep/x.png", Qt::green, "PNG");
    const QByteArray entry =
        R"(<folder path="in" filter="*.png" includesubfolders="1" outputformat="gif"
                   overwrite="1" outputfolder="out")";
    Outcome r = runJob(entry + "/>");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("in/a/x.png and in/b/deep/x.png are both written to out/x.gif"))
        << r.err.toStdString();

    r = runJob(entry + R"( keepfolders="1"/>)");
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, saved("out/a/x.gif") + saved("out/b/deep/x.gif"));
    EXPECT_TRUE(near(centre(path("out/b/deep/x.gif")), qRgb(0, 255, 0)));

    // Kept folders beside their sources: x.png would replace the x.jpg a later row converts.
    writeFilled("in/a/x.jpg", Qt::blue, "JPG");
    r = runJob(R"(<folder path="in" filter="*.png;*.jpg" includesubfolders="1" keepfolders="1"
                          outputformat="jpg" overwrite="1"/>)");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("in/a/x.png: it would replace in/a/x.jpg, which a later row still "
                               "has to convert"))
        << r.err.toStdString();
    EXPECT_TRUE(near(centre(path("in/a/x.jpg")), qRgb(0, 0, 255))) << "the source survived";

    r = runJob(R"(<image path="in/a" name="x.png" keepfolders="1" outputfolder="out"/>)");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.err.contains("keepfolders keeps the sub-folders of a folder entry"))
        << r.err.toStdString();
}

TEST_F(JobRunNotes, EntriesThatAddNothingAreNamedWithTheReason) {
    writeText("in/text.png", "not a picture");
    writeFilled("in/ok.png", Qt::red, "PNG");
    QDir().mkpath(path("empty"));
    const struct {
        const char* entry;
        const char* note;
    } cases[] = {
        {R"(<image path="in" name="gone.png"/>)",
         R"(image "in/gone.png": the file does not exist)"},
        {R"(<image path="in" name="text.png"/>)",
         R"(image "in/text.png": not a picture that can be read)"},
        {R"(<image path="in" name="ok.png" width="-5" height="5"/>)",
         R"(image "in/ok.png": the size -5 x 5 is not above 0)"},
        {R"(<folder path="missing" filter="*.png"/>)",
         R"(folder "missing": the folder does not exist)"},
        {R"(<folder path="in"/>)", R"(folder "in": no pattern in its filter)"},
        {R"(<folder path="in" filter="*.gif; *.bmp"/>)", R"(the pattern " *.bmp" begins or ends)"},
    };
    for (const auto& c : cases) {
        const Outcome r = runJob(c.entry);
        EXPECT_EQ(r.status, 1) << c.entry;
        EXPECT_TRUE(r.err.startsWith("pixovia: ") && r.err.contains(c.note)) << c.entry << "\n"
                                                                             << r.err.toStdString();
        EXPECT_EQ(r.err.count('\n'), 1) << "one note: " << r.err.toStdString();
    }
    // A folder that exists and holds no match is no failure.
    const Outcome r = runJob(R"(<folder path="empty" filter="*.png"/>)");
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, "");
}

TEST_F(JobRunNotes, AFileNameThatIsNotUtf8IsSkippedWithANote) {
    writeFilled("in/ok.png", Qt::red, "PNG");
    const QByteArray bad = QFile::encodeName(path("in")) + "/bad\xff.png";
    // Qt cannot name such a file; the system call can.
    ASSERT_EQ(std::rename(QFile::encodeName(path("in/ok.png")).constData(), bad.constData()), 0);
    writeFilled("in/ok.png", Qt::red, "PNG");
    const Outcome r = runJob(R"(<folder path="in" filter="*.png" outputformat="bmp"/>)");
    EXPECT_EQ(r.out, saved("in/ok.bmp"));
    EXPECT_TRUE(r.err.contains("skipped a file whose name is not valid UTF-8"))
        << r.err.toStdString();
    EXPECT_EQ(r.status, 1);
}

TEST_F(JobRunNotes, CommentsNeverHideEntriesAndUnknownValuesAreNoted) {
    writeFilled("in/a.png", Qt::red, "PNG");
    const Outcome r = runJob(R"(<batch><!-- c --><?pi x?><image path="in" name="a.png"
        outputformat="heic" rotate="45" outputfolder="out" colour="cmyk" metadata="none"/></batch>)");
    EXPECT_EQ(r.out, saved("out/a.png"));
    EXPECT_TRUE(r.err.contains(R"(image "in/a.png": outputformat "heic" is not bmp, jpg, gif, )"
                               R"(png, tif, webp, avif or jxl; the format follows the file name)"))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(R"(rotate "45" is not 0, 90, 180 or 270)"));
    EXPECT_TRUE(r.err.contains(R"(colour "cmyk" is not keep or srgb; the colour profile is kept)"));
    EXPECT_TRUE(r.err.contains(R"(metadata "none" is not keep, nolocation or strip)"));
    EXPECT_EQ(r.status, 0) << "values read as defaults are no failure";
}

TEST_F(JobRunNotes, FailedRowsSayWhy) {
    writeText("in/broken.png", QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(40, '\0'));
    writeFilled("in/a.png", Qt::red, "PNG");
    QDir().mkpath(path("out/a.gif")); // a folder where the file should go
    const Outcome r = runJob(R"(<image path="in" name="broken.png" width="5" height="5"
        outputformat="jpg"/><image path="in" name="a.png" outputformat="gif" outputfolder="out"/>)");
    EXPECT_EQ(r.out, unable("in/broken.jpg") + unable("out/a.gif"));
    EXPECT_TRUE(r.err.contains("pixovia: in/broken.png: cannot read the picture"))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("pixovia: in/a.png: the target is a folder"));
    EXPECT_EQ(r.status, 1);
}

TEST_F(JobRunNotes, WhatTheDecodingLibrarySaidIsInTheNoteAndNowhereElse) {
    writeFilled("in/a.jpg", Qt::red, "JPG");
    QFile full(path("in/a.jpg"));
    ASSERT_TRUE(full.open(QIODevice::ReadOnly));
    const QByteArray bytes = full.readAll();
    full.close();
    writeText("in/cut.jpg", bytes.left(bytes.size() / 2));
    const Outcome r =
        runJob(R"(<image path="in" name="cut.jpg" outputformat="png" width="8" height="6"/>)");
    EXPECT_EQ(r.out, unable("in/cut.png"));
    EXPECT_EQ(r.err.count('\n'), 1) << "one note, no raw library line: " << r.err.toStdString();
    EXPECT_TRUE(r.err.startsWith("pixovia: in/cut.jpg: cannot read the picture: "));
    EXPECT_TRUE(r.err.contains("(Premature end of JPEG file)")) << r.err.toStdString();
}

TEST_F(JobRunNotes, APictureReadFromADamagedFileIsConvertedWithANote) {
    writeFilled("in/a.jpg", Qt::red, "JPG");
    QFile full(path("in/a.jpg"));
    ASSERT_TRUE(full.open(QIODevice::ReadOnly));
    QByteArray bytes = full.readAll();
    full.close();
    writeText("in/stray.jpg", bytes.insert(2, "zzz"));
    const Outcome r = runJob(R"(<folder path="in" filter="*.jpg" outputformat="png"/>)");
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, saved("in/a.png") + saved("in/stray.png"));
    EXPECT_EQ(r.err, "pixovia: in/stray.jpg: read despite damage (Corrupt JPEG data: 3 extraneous "
                     "bytes before marker 0xe0)\n");
    EXPECT_TRUE(near(centre(path("in/stray.png")), qRgb(255, 0, 0)));
}

// A metafile may claim any frame and any amount of drawing in a few bytes: without a size it
// is drawn no larger than 8192 pixels on its long side, with a note, and one whose drawing
// would take minutes fails at once with its reason.
TEST_F(JobRunNotes, MetafilesAreDrawnWithinASensibleSizeAndWork) {
    writeText("in/wide.wmf", wmftest::placeableMetafile(
                                 {16384, 32}, 48, wmftest::recordBytes(0x041B, {9, 9, 0, 0})));
    writeText("in/star.wmf",
              wmftest::placeableMetafile({1000, 1000}, 96, wmftest::starPolygon(16000, 1000)));
    const char* const drawnSmaller =
        R"(image "in/wide.wmf": drawn at 8192 x 16 pixels, not at its own 32768 x 64)";
    const struct {
        const char* entry;
        QString out;
        const char* note;
        int status;
    } cases[] = {
        {R"(<image path="in" name="wide.wmf" outputformat="png" outputfolder="out"/>)",
         saved("out/wide.png"), drawnSmaller, 0},
        {R"(<folder path="in" filter="wide.wmf" outputformat="png" outputfolder="out"/>)",
         saved("out/wide.png"), drawnSmaller, 0},
        {R"(<image path="in" name="star.wmf" outputformat="png" width="1000" height="1000"/>)",
         unable("in/star.png"),
         "in/star.wmf: cannot read the picture: picture too large (drawing it at 1000 x 1000 "
         "pixels takes more work than a picture may take",
         1},
    };
    for (const auto& c : cases) {
        QFile::remove(path("out/wide.png"));
        const Outcome r = runJob(c.entry);
        EXPECT_EQ(r.out, c.out) << c.entry;
        EXPECT_TRUE(r.err.startsWith("pixovia: ") && r.err.contains(c.note)) << c.entry << "\n"
                                                                             << r.err.toStdString();
        EXPECT_EQ(r.status, c.status) << c.entry;
        if (c.status == 0) {
            EXPECT_EQ(QImage(path("out/wide.png")).size(), QSize(8192, 16)) << c.entry;
        }
    }
}

// An output whose name is as long as names may be is written, and replaced by a run again
// (retried shards do that): the temporary file beside it has a short name of its own.
TEST_F(JobRunNotes, AnOutputWithTheLongestNameIsReplacedOnAnotherRun) {
    const QString name = QString(251, u'p');
    writeFilled("in/" + name + ".png", Qt::red, "PNG");
    const QString entry =
        QString(R"(<image path="in" name="%1.png" outputformat="gif" outputfolder="out" )"
                R"(overwrite="1"/>)")
            .arg(name);
    for (int run = 0; run < 2; ++run) {
        const Outcome r = runJob(entry.toUtf8());
        EXPECT_EQ(r.out, saved("out/" + name + ".gif")) << "run " << run << r.err.toStdString();
        EXPECT_EQ(r.status, 0);
    }
    EXPECT_EQ(QDir(path("out")).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

// A read-only disk refuses every writer: it is named as such, not as a permission. The output
// folder becomes a read-only file system in a mount namespace of the run's own.
TEST_F(JobRunNotes, AReadOnlyDiskIsSaidToBeReadOnly) {
    if (QStandardPaths::findExecutable("unshare").isEmpty())
        GTEST_SKIP() << "no unshare to make a read-only file system";
    writeFilled("in/a.png", Qt::red, "PNG");
    QDir().mkpath(path("out"));
    writeText("job.xml", R"(<job><image path="in" name="a.png" outputfolder="out"/></job>)");
    const QString script =
        QString("mount -t tmpfs -o ro none out || exit 99; exec '%1' job.xml").arg(PIXOVIA_BINARY);
    const Outcome r = run({geteuid() == 0 ? "-m" : "-rm", "/bin/sh", "-c", script}, {},
                          QStandardPaths::findExecutable("unshare"));
    if (r.status == 99 || r.err.startsWith("unshare:"))
        GTEST_SKIP() << "no mount namespace here: " << r.err.toStdString();
    EXPECT_EQ(r.out, unable("out/a.png"));
    EXPECT_TRUE(r.err.contains("pixovia: in/a.png: the disk is read-only")) << r.err.toStdString();
    EXPECT_EQ(r.status, 1);
}

TEST_F(JobRunNotes, ControlCharactersInNamesCannotForgeLines) {
    const QString name = "a\nThe file has been saved to x successfully.\t.png";
    writeFilled("in/" + name, Qt::red, "PNG");
    const Outcome r = runJob(R"(<folder path="in" filter="*.png" outputformat="bmp"/>)");
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.count('\n'), 1) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("a\\nthe file has been saved to x successfully.\\t.bmp"))
        << r.out.toStdString();
}

TEST_F(JobRunNotes, AFileSizeLimitFailsTheRowsThatPassItAndTheRunGoesOn) {
    writeFilled("in/a.png", Qt::red, "PNG");
    QImage big(300, 300, QImage::Format_RGB32);
    big.fill(Qt::blue);
    ASSERT_TRUE(big.save(path("in/b.png"), "PNG"));
    writeText("job.xml", R"(<job><folder path="in" filter="*.png" outputformat="bmp"/></job>)");
    const Outcome r =
        run({"-c", QString("ulimit -f 100; exec '%1' job.xml").arg(PIXOVIA_BINARY)}, {}, "/bin/sh");
    EXPECT_EQ(r.status, 1) << "not ended by the signal: " << r.err.toStdString();
    EXPECT_EQ(r.out, saved("in/a.bmp") + unable("in/b.bmp"));
    EXPECT_TRUE(r.err.contains("file-size limit")) << r.err.toStdString();
}

TEST_F(JobRunNotes, SubfoldersThatAreLinksAreNotWalked) {
    writeFilled("tree/a.png", Qt::red, "PNG");
    writeFilled("outside/b.png", Qt::red, "PNG");
    ASSERT_TRUE(QFile::link(path("outside"), path("tree/link")));
    // A deep tree is walked whole.
    QString deep = "tree";
    for (int i = 0; i < 200; ++i)
        deep += "/d";
    writeFilled(deep + "/c.png", Qt::red, "PNG");
    const Outcome r = runJob(
        R"(<folder path="tree" filter="*.png" includesubfolders="1" outputformat="gif" outputfolder="out"/>)");
    EXPECT_EQ(r.out, saved("out/c.gif") + saved("out/a.gif"));
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
}

} // namespace
