// The expansion of folder entries: order, numbering, settings, sizes and hostile trees.
#include "jobfile/jobfilefixture.h"
#include "jobs/outputnaming.h"

#include <QDir>
#include <QFile>

namespace pix {
namespace {

// f/ holds a/x.png, a/y.jpg, b/z.png and its own top.png and top2.jpg.
class FolderEntry : public test::JobFileTest {
protected:
    void SetUp() override {
        picture(QStringLiteral("f/a/x.png"), 10, 20);
        picture(QStringLiteral("f/a/y.jpg"), 30, 40, "JPEG");
        picture(QStringLiteral("f/b/z.png"), 50, 60);
        picture(QStringLiteral("f/top.png"), 70, 80);
        picture(QStringLiteral("f/top2.jpg"), 90, 100, "JPEG");
    }

    bool loadFolder(const QString& attributes, const JobFileOptions& options = {}) {
        list.RemoveAll();
        return loadDocument("<job><folder path=\"$D/f\" " + attributes + "/></job>", options);
    }

    QList<int> startNumbers() const {
        QList<int> numbers;
        for (int row = 0; row < list.rowCount(); ++row)
            numbers << item(row).output.startNumber;
        return numbers;
    }
};

TEST_F(FolderEntry, SubfoldersFirstAndNumbersRunAcrossThem) {
    ASSERT_TRUE(loadFolder(R"(filter="*.png;*.jpg" includesubfolders="1" prefix="p"
                               startnumber="5" outputfolder="/out")"));
    EXPECT_EQ(rowNames(), QStringList({"x.png", "y.jpg", "z.png", "top.png", "top2.jpg"}));
    EXPECT_EQ(startNumbers(), QList<int>({5, 6, 7, 8, 9}));

    const JobItem& x = item(0);
    EXPECT_EQ(x.source.folder, path("f/a"));
    EXPECT_EQ(x.source.fileName, "x.png");
    EXPECT_EQ(x.output.fileName, "x.png");
    EXPECT_EQ(x.output.folder, "/out"); // not extended by the subfolder
    EXPECT_EQ(x.output.prefix, "p");
    EXPECT_EQ(x.output.includeSubfolders, 0);
    EXPECT_EQ(x.output.formatCode, kFormatBitmap); // no outputformat and no name
    EXPECT_EQ(QSize(x.output.width, x.output.height), QSize(10, 20));
    EXPECT_EQ(item(4).source.folder, path("f"));
    EXPECT_EQ(item(4).output.folder, "/out");

    ASSERT_TRUE(loadFolder(R"(filter="*.png" includesubfolders="1" startnumber="5")"));
    EXPECT_EQ(startNumbers(), QList<int>({0, 0, 0}));
    EXPECT_EQ(item(0).output.folder, path("f"));
}

TEST_F(FolderEntry, PatternsInOrderAndEachMatchARow) {
    ASSERT_TRUE(loadFolder(R"(filter="*.jpg,*.png")"));
    EXPECT_EQ(rowNames(), QStringList({"top2.jpg", "top.png"}));
    ASSERT_TRUE(loadFolder(R"(filter="*.png;T*.PNG")"));
    EXPECT_EQ(rowNames(), QStringList({"top.png", "top.png"}));
    // Folders that match are rows too; they measure 0 x 0.
    ASSERT_TRUE(loadFolder(R"(filter="*")"));
    EXPECT_EQ(rowNames(), QStringList({"a", "b", "top.png", "top2.jpg"}));
    EXPECT_EQ(item(0).output.width, 0);
}

TEST_F(FolderEntry, FindsNothingWithoutPatternsOrFolder) {
    for (const char* attributes :
         {R"(includesubfolders="1")", R"(filter="" includesubfolders="1")",
          R"(filter=";,;" includesubfolders="1")", R"(filter="*.gif" includesubfolders="1")"}) {
        EXPECT_TRUE(loadFolder(QString::fromUtf8(attributes)));
        EXPECT_EQ(list.rowCount(), 0) << attributes;
    }
    EXPECT_TRUE(load(R"(<folder path="$D/missing" filter="*.*" includesubfolders="1"/>)"));
    EXPECT_TRUE(load(R"(<folder path="$D/f/top.png" filter="*.*"/>)"));
    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_TRUE(prompt.messages.isEmpty());
}

TEST_F(FolderEntry, ItemsTakeTheEntrySettings) {
    ASSERT_TRUE(loadFolder(R"(filter="top.png" outputformat="jpg" quality="75" overwrite="1"
                               mirror="4" rotate="90" width="640" height="480" name="n.gif")"));
    ASSERT_EQ(list.rowCount(), 1);
    const JobOutput& output = item(0).output;
    EXPECT_EQ(output.formatCode, kFormatJpg);
    EXPECT_EQ(output.quality, 75);
    EXPECT_EQ(output.overwrite, 1);
    EXPECT_EQ(output.mirror, 1);
    EXPECT_EQ(output.rotate, 90);
    EXPECT_EQ(QSize(output.width, output.height), QSize(480, 640));
    EXPECT_EQ(QSize(item(0).source.width, item(0).source.height), QSize(0, 0));

    // The format falls back to the name's extension; one side alone is not taken.
    ASSERT_TRUE(loadFolder(R"(filter="top.png" name="n.gif" width="640" rotate="270")"));
    EXPECT_EQ(item(0).output.formatCode, kFormatGif);
    EXPECT_EQ(QSize(item(0).output.width, item(0).output.height), QSize(80, 70));
    // Sizes are not tested here: a negative one is kept for the run to report.
    ASSERT_TRUE(loadFolder(R"(filter="top.png" width="-5" height="100")"));
    EXPECT_EQ(item(0).output.width, -5);
}

TEST_F(FolderEntry, EachPictureIsResizedByItsOwnSize) {
    ASSERT_TRUE(loadFolder(R"(filter="*.png" includesubfolders="1" resize="long" size="30")"));
    QList<QSize> sizes;
    for (int row = 0; row < list.rowCount(); ++row)
        sizes << QSize(item(row).output.width, item(row).output.height);
    EXPECT_EQ(sizes, QList<QSize>({{15, 30}, {25, 30}, {26, 30}}));
    EXPECT_EQ(item(0).output.resize.mode, ResizeMode::LongEdge);

    ASSERT_TRUE(loadFolder(R"(filter="top.png" resize="long" size="100" shrinkonly="1"
                               rotate="90")"));
    EXPECT_EQ(QSize(item(0).output.width, item(0).output.height), QSize(80, 70));
}

TEST_F(FolderEntry, KeptFoldersAreThoseBelowTheEntrysFolder) {
    picture(QStringLiteral("f/a/deep/w.png"), 5, 5);
    ASSERT_TRUE(loadFolder(R"(filter="*.png" includesubfolders="1" keepfolders="1"
                               outputfolder="/out/")"));
    QStringList written;
    for (int row = 0; row < list.rowCount(); ++row)
        written << BuildOutputPath(item(row), list.rowName(row));
    EXPECT_EQ(written,
              QStringList({"/out/a/deep/w.bmp", "/out/a/x.bmp", "/out/b/z.bmp", "/out/top.bmp"}));
    EXPECT_EQ(item(0).output.relativeFolder, "a/deep");
    EXPECT_EQ(item(0).output.folder, "/out") << "the output folder itself stays";
    EXPECT_EQ(item(3).output.relativeFolder, "");

    ASSERT_TRUE(loadFolder(R"(filter="*.png" includesubfolders="1" outputfolder="/out")"));
    EXPECT_EQ(BuildOutputPath(item(0), list.rowName(0)), "/out/w.bmp") << "flat without it";
}

TEST_F(FolderEntry, LinkedSubfoldersAreNotEntered) {
    ASSERT_TRUE(QFile::link(path("f"), path("f/a/loop")));
    ASSERT_TRUE(QFile::link(path("f/b"), path("f/c")));
    ASSERT_TRUE(loadFolder(R"(filter="*.png" includesubfolders="1")"));
    EXPECT_EQ(rowNames(), QStringList({"x.png", "z.png", "top.png"}));
}

TEST_F(FolderEntry, TheBudgetBoundsTheFoldersSearched) {
    JobFileOptions options;
    options.maxFolders = 2;
    ASSERT_TRUE(loadFolder(R"(filter="*.png" includesubfolders="1")", options));
    EXPECT_EQ(rowNames(), QStringList({"x.png", "top.png"}));
}

TEST_F(FolderEntry, AnEmptyPathIsTheCurrentFolder) {
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(path("f/b")));
    EXPECT_TRUE(load(R"(<folder filter="*.png"/>)"));
    QDir::setCurrent(previous);
    ASSERT_EQ(rowNames(), QStringList{"z.png"});
    EXPECT_EQ(item(0).source.folder, "");
    EXPECT_EQ(item(0).output.width, 50);
}

} // namespace
} // namespace pix
