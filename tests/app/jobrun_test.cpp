// The built program running job files without a display, as scripts use it.
#include "app/jobrunfixture.h"
#include "platform/imaging/decoder.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using test::JobRun;
using test::Outcome;

TEST_F(JobRun, ConvertsAJobAndSavesTheFilterSettings) {
    writePicture("in/photo.jpg", 40, 30, "JPG");
    writePicture("in/a.png", 20, 10, "PNG");
    writePicture("in/b.bmp", 20, 10, "BMP");
    writeText("job.xml",
              "<job>\n"
              "  <image path=\"in\" name=\"photo.jpg\" outputformat=\"png\" rotate=\"90\"\n"
              "         width=\"40\" height=\"30\" outputfolder=\"out\"/>\n"
              "  <folder path=\"in\" filter=\"*.png;*.bmp\" outputformat=\"gif\"\n"
              "          prefix=\"Set\" startnumber=\"1\" outputfolder=\"out/sub\"/>\n"
              "</job>\n");
    const Outcome r = run({"job.xml"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "The file has been saved to out/photo.png successfully.\n"
                     "The file has been saved to out/sub/set001.gif successfully.\n"
                     "The file has been saved to out/sub/set002.gif successfully.\n");
    EXPECT_EQ(r.err, "");

    pix::imaging::Picture turned;
    ASSERT_EQ(pix::imaging::decodeFile(path("out/photo.png"), turned), pix::imaging::Status::Ok);
    EXPECT_EQ(turned.image().size(), QSize(30, 40));
    // Turned clockwise: the red top half is now on the right.
    EXPECT_GT(qRed(turned.image().pixel(25, 20)), 200);
    EXPECT_GT(qBlue(turned.image().pixel(4, 20)), 200);
    QSize gif;
    ASSERT_EQ(pix::imaging::measureFile(path("out/sub/set002.gif"), gif), pix::imaging::Status::Ok);
    EXPECT_EQ(gif, QSize(20, 10));

    QSettings settings(path("home/.config/Norvance/Pixovia.conf"), QSettings::IniFormat);
    EXPECT_EQ(settings.value("Settings/extfilter").toString(),
              "*.bmp;*.gif;*.jpg;*.png;*.ico;*.wmf;*.jpeg;*.tif;*.tiff;*.webp;*.heic;*.heif;*.avif;"
              "*.jxl");
}

// A FIFO at the settings file's place (or anything that is no regular file) neither blocks the
// run nor is replaced: the defaults are used and a note says why.
TEST_F(JobRun, ASettingsFileThatIsNoFileIsLeftAloneWithANote) {
    writePicture("in/a.png", 8, 8, "PNG");
    writeText("job.xml", "<job><image path=\"in\" name=\"a.png\" outputformat=\"bmp\"/></job>");
    const QString conf = path("home/.config/Norvance/Pixovia.conf");
    QDir().mkpath(QFileInfo(conf).path());
    ASSERT_EQ(::mkfifo(QFile::encodeName(conf).constData(), 0600), 0);
    const Outcome r = run({"job.xml"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "The file has been saved to in/a.bmp successfully.\n");
    EXPECT_EQ(r.err, QString("pixovia: the settings file %1 is not used (it is not a regular "
                             "file): the defaults are used and the file is left as it is\n")
                         .arg(conf));
    struct stat info {};
    ASSERT_EQ(::lstat(QFile::encodeName(conf).constData(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

TEST_F(JobRun, AnExistingOutputIsNotReplacedWithoutATerminal) {
    writePicture("in/a.png", 8, 8, "PNG");
    writeText("out/a.png", "keep me");
    writeText("job.xml", "<job><image path=\"in\" name=\"a.png\" outputfolder=\"out\"/></job>");
    const Outcome r = run({"--console", "job.xml"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(r.err.contains("Would you like to replace the existing file? [y/N]"));
    QFile kept(path("out/a.png"));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "keep me");
}

TEST_F(JobRun, LoadErrorsGoToStandardErrorAndFail) {
    Outcome r = run({"missing.xml"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(r.err.startsWith("Error: ")) << r.err.toStdString();

    writeText("broken.xml", "<job>\n  <image path=\"x\"\n</job>\n");
    r = run({"broken.xml"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("on line 3")) << r.err.toStdString();
}

TEST_F(JobRun, AFailedPictureFailsTheRunButTheOthersAreWritten) {
    writePicture("in/good.png", 8, 8, "PNG");
    writeText("in/bad.png", "not a picture");
    writeText("job.xml", "<job><folder path=\"in\" filter=\"*.png\" outputformat=\"jpg\"/></job>");
    const Outcome r = run({"job.xml"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Unable to save the file - in/bad.jpg.\n"
                     "The file has been saved to in/good.jpg successfully.\n");
}

// A preset saved by the window's Settings dialog, named by job-file entries: its values first,
// the entry's own attributes over them; a missing one adds nothing and fails the run.
TEST_F(JobRun, EntriesNamePresetsOfTheSettingsFile) {
    writePicture("in/wide.png", 400, 300, "PNG");
    writePicture("in/tall.png", 300, 400, "PNG");
    {
        QSettings settings(path("home/.config/Norvance/Pixovia.conf"), QSettings::IniFormat);
        settings.setValue("Presets/Web", "pixovia-preset 1\noutputformat=jpg\nresize=long\n"
                                         "size=200\noutputfolder=web");
    }
    writeText("job.xml", R"(<job>
  <folder path="in" filter="*.png" preset="web"/>
  <image path="in" name="wide.png" preset="Web" size="100" outputfolder="small"/>
</job>)");
    Outcome r = run({"job.xml"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "The file has been saved to web/tall.jpg successfully.\n"
                     "The file has been saved to web/wide.jpg successfully.\n"
                     "The file has been saved to small/wide.jpg successfully.\n");
    const struct {
        const char* file;
        QSize size;
    } written[] = {
        {"web/tall.jpg", {150, 200}}, {"web/wide.jpg", {200, 150}}, {"small/wide.jpg", {100, 75}}};
    for (const auto& w : written) {
        QSize size;
        ASSERT_EQ(pix::imaging::measureFile(path(w.file), size), pix::imaging::Status::Ok);
        EXPECT_EQ(size, w.size) << w.file;
    }

    writeText("job.xml", R"(<job><image path="in" name="wide.png" preset="print"/></job>)");
    r = run({"job.xml"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(r.err.contains(R"(image "in/wide.png": preset "print": there is no such preset; )"
                               "the entry adds nothing"))
        << r.err.toStdString();
}

TEST_F(JobRun, CommandLineUsage) {
    Outcome r = run({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Pixovia Version 1.0\n");
    r = run({});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains("Usage: pixovia"));
    r = run({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.contains("--console"));
    EXPECT_TRUE(r.out.contains("called .pixovia-XXXXXX")) << "what a leftover file is";
}

} // namespace
