// The browser's rows: captions, the row name, sorting by column with the shared direction.
#include "browser/imagelistmodel.h"

#include <gtest/gtest.h>

#include <QItemSelectionModel>

namespace pix {
namespace {

ImageInfo picture(const QString& name, int width, int height, std::uint64_t size = 0,
                  std::int64_t modified = 0, const QString& type = QString()) {
    ImageInfo info;
    info.fileName = name;
    info.folder = QStringLiteral("/pictures");
    info.width = width;
    info.height = height;
    info.fileSize = size;
    info.modified = modified;
    info.typeName = type;
    return info;
}

QStringList order(const ImageListModel& model) {
    QStringList out;
    for (int row = 0; row < model.rowCount(); ++row)
        out << model.rowName(row);
    return out;
}

class ModelTest : public ::testing::Test {
protected:
    void SetUp() override { SetSortDirection(-1); }
    void fill() {
        model.clear();
        model.append({picture("b.jpg", 300, 100, 2000, 30, "JPEG image"),
                      picture("A.png", 200, 200, 100, 10, "PNG image"),
                      picture("c.gif", 10, 10, 5000, 20, "GIF image")});
    }
    ImageListModel model;
};

TEST_F(ModelTest, CaptionInThumbnailViewNameInReportView) {
    model.append({picture("sunset.jpg", 640, 480)});
    EXPECT_EQ(model.viewMode(), ImageListModel::ThumbnailView);
    EXPECT_EQ(model.rowText(0), "sunset.jpg\n(640x480)");
    EXPECT_EQ(model.data(model.index(0, 0), Qt::DisplayRole).toString(), "sunset.jpg\n(640x480)");
    EXPECT_EQ(model.rowName(0), "sunset.jpg");
    // A picture whose size is not known has no size line.
    model.append({picture("unmeasured.png", 0, 0)});
    EXPECT_EQ(model.rowText(1), "unmeasured.png");
    EXPECT_EQ(model.rowName(1), "unmeasured.png");
    EXPECT_EQ(model.filePath(0), "/pictures/sunset.jpg");
    model.setViewMode(ImageListModel::ReportView);
    model.append({picture("sunset.jpg", 640, 480)});
    EXPECT_EQ(model.rowText(0), "sunset.jpg");
    EXPECT_EQ(model.rowName(0), "sunset.jpg");
    EXPECT_TRUE(model.rowText(5).isEmpty());
    EXPECT_EQ(model.recordAt(5), nullptr);
}

TEST_F(ModelTest, ColumnTitlesAndWidths) {
    const char* titles[] = {"Name", "Type", "Dimension", "Size", "Date Modified"};
    const int widths[] = {100, 100, 60, 100, 100};
    // The thumbnails show one cell per picture; the report has the five columns.
    EXPECT_EQ(model.columnCount(), 1);
    model.setViewMode(ImageListModel::ReportView);
    ASSERT_EQ(model.columnCount(), 5);
    for (int column = 0; column < 5; ++column) {
        EXPECT_EQ(model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString(),
                  titles[column]);
        EXPECT_EQ(browserColumn(column).width, widths[column]);
    }
}

TEST_F(ModelTest, FirstClickAscendsSameColumnReversesOtherColumnAscends) {
    fill();
    model.SortByColumn(kBrowserSize);
    EXPECT_EQ(order(model), (QStringList{"A.png", "b.jpg", "c.gif"}));
    EXPECT_EQ(SortDirection(), -1);
    model.SortByColumn(kBrowserSize);
    EXPECT_EQ(order(model), (QStringList{"c.gif", "b.jpg", "A.png"}));
    EXPECT_EQ(SortDirection(), 1);
    model.SortByColumn(kBrowserName); // text without regard to case
    EXPECT_EQ(order(model), (QStringList{"A.png", "b.jpg", "c.gif"}));
    model.SortByColumn(kBrowserDateModified);
    EXPECT_EQ(order(model), (QStringList{"A.png", "c.gif", "b.jpg"}));
    model.SortByColumn(kBrowserType);
    EXPECT_EQ(order(model), (QStringList{"c.gif", "b.jpg", "A.png"}));
    model.SortByColumn(99); // an unknown column sorts by name
    EXPECT_EQ(order(model), (QStringList{"A.png", "b.jpg", "c.gif"}));
    EXPECT_EQ(model.lastSortColumn(), 99);
}

TEST_F(ModelTest, DimensionComparesWidthPlusHeightAndKeepsTies) {
    fill(); // b.jpg 300x100 and A.png 200x200 have the same key
    model.SortByColumn(kBrowserDimension);
    EXPECT_EQ(order(model), (QStringList{"c.gif", "b.jpg", "A.png"}));
    model.SortByColumn(kBrowserDimension);
    EXPECT_EQ(order(model), (QStringList{"b.jpg", "A.png", "c.gif"}));
}

TEST_F(ModelTest, RefillLeavesRowsUnsortedAndTheNextClickReverses) {
    fill();
    model.SortByColumn(kBrowserSize);
    fill();
    EXPECT_EQ(order(model), (QStringList{"b.jpg", "A.png", "c.gif"}));
    model.SortByColumn(kBrowserSize); // the direction of the last sort, reversed
    EXPECT_EQ(order(model), (QStringList{"c.gif", "b.jpg", "A.png"}));
}

TEST_F(ModelTest, CompareItemsIsTwoValued) {
    const ImageInfo small = picture("a", 1, 1, 1), big = picture("b", 1, 1, 2);
    EXPECT_TRUE(CompareItems(&big, &small, kBrowserSize));
    EXPECT_FALSE(CompareItems(&small, &big, kBrowserSize));
    EXPECT_FALSE(CompareItems(&small, &small, kBrowserSize));
    EXPECT_FALSE(CompareItems(nullptr, &small, kBrowserSize));
    EXPECT_FALSE(CompareItems(&big, nullptr, kBrowserSize));
    SetSortDirection(1);
    EXPECT_TRUE(CompareItems(&small, &big, kBrowserSize));
    // Sizes that overflow 32 bits when added still compare right.
    const ImageInfo wide = picture("w", INT32_MAX, INT32_MAX), narrow = picture("n", 1, 1);
    SetSortDirection(-1);
    EXPECT_TRUE(CompareItems(&wide, &narrow, kBrowserDimension));
}

TEST_F(ModelTest, SelectionAndThumbnailsFollowTheirRowsWhenSorted) {
    fill();
    QItemSelectionModel selection(&model);
    selection.select(model.index(2, 0), QItemSelectionModel::Select); // c.gif
    QImage red(96, 70, QImage::Format_RGB32);
    red.fill(Qt::red);
    model.setThumbnail(model.recordOfRow(2), red, ThumbnailState::Ready);
    model.SortByColumn(kBrowserSize); // c.gif is last by size: row 2 stays c.gif
    model.SortByColumn(kBrowserSize); // descending: c.gif moves to row 0
    ASSERT_EQ(order(model).front(), "c.gif");
    ASSERT_EQ(selection.selectedIndexes().size(), 1);
    EXPECT_EQ(selection.selectedIndexes().front().row(), 0);
    EXPECT_EQ(model.thumbnailState(model.recordOfRow(0)), ThumbnailState::Ready);
    EXPECT_EQ(model.data(model.index(0, 0), Qt::DecorationRole).value<QImage>(), red);
    EXPECT_EQ(model.thumbnailState(model.recordOfRow(1)), ThumbnailState::Pending);
}

} // namespace
} // namespace pix
