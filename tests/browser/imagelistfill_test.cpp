// Filling the browser's rows from a folder: rows first, thumbnails after, generations that never
// mix two folders, broken files, and the report view's details without thumbnails.
#include "browser/imagelistfill.h"

#include "browser/browserfixture.h"
#include "browser/imagelistmodel.h"
#include "browser/thumbnailcache.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

namespace pix {
namespace {

class FillTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetSortDirection(-1);
        fill.setListed([this] { ++listed; });
    }

    QString folder(const QString& name) {
        QDir(dir.path()).mkpath(name);
        return dir.filePath(name);
    }
    void fillAndWait(const QString& path) {
        fill.fill(path, patterns);
        ASSERT_TRUE(test::waitUntil([&] { return !fill.isBusy(); }));
        QCoreApplication::processEvents(); // results posted by the last worker
    }
    QStringList rowNames() const {
        QStringList out;
        for (int row = 0; row < model.rowCount(); ++row)
            out << model.rowName(row);
        return out;
    }

    QTemporaryDir dir;
    const QStringList patterns{"*.jpg", "*.png"};
    std::shared_ptr<ThumbnailCache> cache = std::make_shared<ThumbnailCache>(dir.filePath("cache"));
    ImageListModel model;
    ImageListFill fill{model, cache, 2};
    int listed = 0;
};

TEST_F(FillTest, RowsThenThumbnails) {
    const QString a = folder("a");
    ASSERT_TRUE(test::writePicture(a + "/one.jpg", 640, 480, Qt::red));
    ASSERT_TRUE(test::writePicture(a + "/two.png", 30, 20, Qt::red));
    ASSERT_TRUE(test::writeText(a + "/three.jpg", "text"));
    fill.fill(a, patterns);
    EXPECT_TRUE(fill.isListing());
    EXPECT_EQ(fill.generation(), 1u);
    ASSERT_TRUE(test::waitUntil([&] { return !fill.isBusy(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(listed, 1);
    EXPECT_EQ(rowNames(), (QStringList{"one.jpg", "two.png"}));
    EXPECT_EQ(model.rowText(0), "one.jpg\n(640x480)");
    for (int record = 0; record < 2; ++record) {
        ASSERT_EQ(model.thumbnailState(record), ThumbnailState::Ready);
        EXPECT_EQ(model.thumbnail(record).size(), QSize(96, 70));
    }
    EXPECT_TRUE(
        QFileInfo::exists(cache->root() + "/normal/" + ThumbnailCache::cacheName(a + "/one.jpg")));
    fill.fill(QString(), patterns);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_FALSE(fill.isBusy());
    EXPECT_EQ(fill.generation(), 2u);
}

TEST_F(FillTest, TheReportViewListsDetailsAndMakesNoThumbnails) {
    const QString a = folder("a");
    ASSERT_TRUE(test::writePicture(a + "/big.png", 300, 100));
    model.setViewMode(ImageListModel::ReportView);
    fillAndWait(a);
    EXPECT_EQ(listed, 1);
    ASSERT_EQ(rowNames(), QStringList{"big.png"});
    EXPECT_FALSE(model.recordAt(0)->typeName.isEmpty());
    EXPECT_EQ(model.thumbnailState(0), ThumbnailState::Pending);
}

TEST_F(FillTest, AFolderChangeWhilePendingShowsOnlyTheNewFolder) {
    const QString many = folder("many"), few = folder("few");
    for (int i = 0; i < 40; ++i)
        ASSERT_TRUE(test::writePicture(many + QStringLiteral("/m%1.png").arg(i, 2, 10, QChar('0')),
                                       600, 450, Qt::red));
    for (const char* name : {"f1.png", "f2.png", "f3.png"})
        ASSERT_TRUE(test::writePicture(few + "/" + name, 300, 200, Qt::blue));

    fill.fill(many, patterns);
    // Let the listing land and the workers start on the many red pictures.
    ASSERT_TRUE(test::waitUntil([&] { return model.rowCount() == 40; }));
    fill.fill(few, patterns);
    ASSERT_TRUE(test::waitUntil([&] { return !fill.isBusy(); }));
    // Workers post their results before they count as done: whatever an old fill's worker
    // posted arrives now, and must be dropped.
    QCoreApplication::processEvents();
    EXPECT_EQ(rowNames(), (QStringList{"f1.png", "f2.png", "f3.png"}));
    for (int record = 0; record < 3; ++record) {
        ASSERT_EQ(model.thumbnailState(record), ThumbnailState::Ready);
        EXPECT_TRUE(test::near(model.thumbnail(record).pixel(48, 35), Qt::blue));
    }
}

TEST_F(FillTest, AListingOvertakenByAnotherFillNeverLands) {
    const QString a = folder("a"), b = folder("b");
    ASSERT_TRUE(test::writePicture(a + "/a.png", 10, 10));
    ASSERT_TRUE(test::writePicture(b + "/b.png", 10, 10));
    fill.fill(a, patterns);
    fill.fill(b, patterns); // before the first listing could land
    // One listing runs at a time, so the first one's rows, if it got that far, were posted
    // before the second's.
    ASSERT_TRUE(test::waitUntil([&] { return !fill.isBusy(); }));
    EXPECT_EQ(rowNames(), QStringList{"b.png"});
    EXPECT_EQ(listed, 1);
}

TEST_F(FillTest, BrokenFilesNeitherCrashNorHang) {
    const QString a = folder("a");
    ASSERT_TRUE(test::writePicture(a + "/good.jpg", 800, 600));
    QFile whole(a + "/good.jpg");
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    ASSERT_TRUE(test::writeText(a + "/cut.jpg", whole.read(700)));
    ASSERT_TRUE(QFile::copy(PIXOVIA_TEST_DATA "/browser/bomb-16000x16000.png", a + "/bomb.png"));
    ASSERT_TRUE(test::writePicture(a + "/vanishing.png", 50, 50));

    // The thread that owns the rows keeps answering: a 5 ms timer is never late by much.
    QTimer ticker;
    QElapsedTimer sinceTick;
    qint64 worstGap = 0;
    QObject::connect(&ticker, &QTimer::timeout,
                     [&] { worstGap = std::max(worstGap, sinceTick.restart()); });
    sinceTick.start();
    ticker.start(5);

    fill.fill(a, patterns);
    ASSERT_TRUE(test::waitUntil([&] { return model.rowCount() == 4; }));
    QFile::remove(a + "/vanishing.png"); // gone after listing, perhaps before its thumbnail
    ASSERT_TRUE(test::waitUntil([&] { return !fill.isBusy(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(rowNames(), (QStringList{"cut.jpg", "good.jpg", "bomb.png", "vanishing.png"}));
    EXPECT_EQ(model.thumbnailState(0), ThumbnailState::Broken);
    EXPECT_EQ(model.thumbnailState(1), ThumbnailState::Ready);
    EXPECT_EQ(model.thumbnailState(2), ThumbnailState::Unavailable);
    EXPECT_NE(model.thumbnailState(3), ThumbnailState::Pending);
    EXPECT_FALSE(model.data(model.index(0, 0), Qt::DecorationRole).isNull());
    // The broken picture says so to a screen reader too; the others say nothing extra.
    const auto description = [&](int row) {
        return model.data(model.index(row, 0), Qt::AccessibleDescriptionRole);
    };
    EXPECT_EQ(description(0).toString(), "Broken picture");
    EXPECT_TRUE(description(1).isNull());
    EXPECT_LT(worstGap, 1000);
}

} // namespace
} // namespace pix
