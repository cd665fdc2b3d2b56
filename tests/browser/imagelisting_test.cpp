// The browser's listing rules: patterns in order, one pass each, pictures only.
#include "browser/imagelisting.h"

#include "browser/browserfixture.h"
#include "browser/common/formatting.h"
#include "browser/imagelistmodel.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QTemporaryDir>
#include <unistd.h>

namespace pix {
namespace {

QStringList names(const std::vector<ImageInfo>& pictures) {
    QStringList out;
    for (const ImageInfo& info : pictures)
        out << info.fileName;
    return out;
}

class ListingTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
};

TEST_F(ListingTest, OnlyPicturesThatMatchArePicked) {
    ASSERT_TRUE(test::writePicture(path("a.jpg"), 64, 48));
    ASSERT_TRUE(test::writeText(path("b.txt"), "text"));
    ASSERT_TRUE(QDir(dir.path()).mkdir("c.jpg"));
    ASSERT_TRUE(test::writeText(path("d.jpg"), "not a picture at all"));
    ASSERT_TRUE(test::writePicture(path("e.png"), 8, 8));

    const auto pictures = ListPictures(dir.path(), {"*.jpg"}, false);
    EXPECT_EQ(names(pictures), QStringList{"a.jpg"});
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(pictures[0].folder, dir.path());
    EXPECT_EQ(pictures[0].width, 64);
    EXPECT_EQ(pictures[0].height, 48);
    // The thumbnail view needs no details.
    EXPECT_TRUE(pictures[0].typeName.isEmpty());
    EXPECT_EQ(pictures[0].fileSize, 0u);
}

TEST_F(ListingTest, OnePassPerPatternInFilterOrder) {
    ASSERT_TRUE(test::writePicture(path("b.png"), 4, 4));
    ASSERT_TRUE(test::writePicture(path("a.jpg"), 4, 4));
    ASSERT_TRUE(test::writePicture(path("C.JPG"), 4, 4));
    ASSERT_TRUE(test::writePicture(path("a.png"), 4, 4));
    EXPECT_EQ(names(ListPictures(dir.path(), {"*.png", "*.jpg"}, false)),
              (QStringList{"a.png", "b.png", "a.jpg", "C.JPG"}));
    // Patterns match without regard to case, so a file matching two patterns is listed twice.
    EXPECT_EQ(names(ListPictures(dir.path(), {"*.jpg", "*.JPG"}, false)),
              (QStringList{"a.jpg", "C.JPG", "a.jpg", "C.JPG"}));
    EXPECT_TRUE(ListPictures(dir.path(), {"*.gif"}, false).empty());
}

TEST_F(ListingTest, FolderEndingInASeparatorIsKeptAsGiven) {
    ASSERT_TRUE(test::writePicture(path("a.jpg"), 4, 4));
    const QString folder = dir.path() + "/";
    const auto pictures = ListPictures(folder, {"*.jpg"}, false);
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(pictures[0].folder, folder);
    ImageListModel model;
    model.append(pictures);
    EXPECT_EQ(model.filePath(0), path("a.jpg"));
}

TEST_F(ListingTest, MissingFolderOrFilterGivesNothing) {
    ASSERT_TRUE(test::writePicture(path("a.jpg"), 4, 4));
    EXPECT_TRUE(ListPictures(QString(), {"*.*"}, false).empty());
    EXPECT_TRUE(ListPictures(path("gone"), {"*.*"}, false).empty());
    EXPECT_TRUE(ListPictures(dir.path(), {}, false).empty());
}

TEST_F(ListingTest, UnreadableFilesAreLeftOut) {
    ASSERT_TRUE(test::writePicture(path("locked.png"), 4, 4));
    ASSERT_TRUE(test::writePicture(path("open.png"), 4, 4));
    ASSERT_TRUE(QFile::setPermissions(path("locked.png"), QFileDevice::WriteOwner));
    if (geteuid() != 0) {
        EXPECT_EQ(names(ListPictures(dir.path(), {"*.png"}, false)), QStringList{"open.png"});
        return;
    }
    // Root reads every file: list the folder as an ordinary user instead. That user keeps
    // root's group, so the group's bits are the ones that count for it.
    const auto readable = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    const auto enterable = QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
    ASSERT_TRUE(QFile::setPermissions(dir.path(), readable | enterable | QFileDevice::WriteOwner));
    ASSERT_TRUE(QFile::setPermissions(path("open.png"), readable));
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            if (setuid(65534) != 0)
                _exit(2);
            const QStringList listed = names(ListPictures(dir.path(), {"*.png"}, false));
            _exit(listed == QStringList{"open.png"} ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(ListingTest, ReportViewDetailsAndColumnTexts) {
    // A PNG padded to 1536 bytes: readers ignore what follows the end chunk.
    ASSERT_TRUE(test::writePicture(path("a.png"), 320, 240, Qt::blue));
    QFile file(path("a.png"));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_LT(file.size(), 1536);
    ASSERT_TRUE(file.resize(1536));
    file.close();
    const QDateTime when(QDate(2024, 3, 5), QTime(14, 7, 9));
    ASSERT_TRUE(test::setModified(path("a.png"), when));

    auto pictures = ListPictures(dir.path(), {"*.png"}, true);
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(pictures[0].fileSize, 1536u);
    EXPECT_EQ(pictures[0].modified, when.toSecsSinceEpoch());
    EXPECT_EQ(pictures[0].typeName, QMimeDatabase().mimeTypeForName("image/png").comment());

    SetDatePattern(QStringLiteral("%Y-%m-%d %H:%M:%S"));
    ImageListModel model;
    model.setViewMode(ImageListModel::ReportView);
    model.append(std::move(pictures));
    EXPECT_EQ(model.columnText(0, kBrowserName), "a.png");
    EXPECT_EQ(model.columnText(0, kBrowserType), model.recordAt(0)->typeName);
    EXPECT_EQ(model.columnText(0, kBrowserDimension), "320x240");
    EXPECT_EQ(model.columnText(0, kBrowserSize), "1.50 KB");
    EXPECT_EQ(model.columnText(0, kBrowserDateModified), "2024-03-05 14:07:09");
    EXPECT_EQ(model.filePath(0), path("a.png"));
    SetDatePattern(QString());
}

TEST_F(ListingTest, CancelStopsEarly) {
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(test::writePicture(path(QStringLiteral("p%1.png").arg(i)), 4, 4));
    std::atomic<bool> cancel{true};
    EXPECT_TRUE(ListPictures(dir.path(), {"*.png"}, false, &cancel).empty());
}

} // namespace
} // namespace pix
