// The thumbnail workers' memory budget: large decodes take turns, small ones always run, and
// every request still gets its thumbnail.
#include "browser/thumbnailloader.h"

#include "browser/browserfixture.h"
#include "browser/thumbnailbudget.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <map>

namespace pix {
namespace {

constexpr std::uint64_t MiB = std::uint64_t(1) << 20;

TEST(ThumbnailBudget, LargeDecodesTakeTurnsSmallOnesAlwaysRun) {
    ThumbnailBudget budget(48 * MiB, 16 * MiB);
    // Alone, even a decode beyond the whole budget runs: nothing else holds memory.
    ASSERT_TRUE(budget.tryTake(90 * MiB));
    EXPECT_FALSE(budget.tryTake(20 * MiB));
    EXPECT_TRUE(budget.tryTake(16 * MiB)); // small: runs beside it
    const std::uint64_t releases = budget.releases();
    budget.release(90 * MiB);
    EXPECT_EQ(budget.releases(), releases + 1);
    EXPECT_EQ(budget.held(), 16 * MiB);
    // Large ones that fit together run together.
    EXPECT_TRUE(budget.tryTake(20 * MiB));
    EXPECT_FALSE(budget.tryTake(20 * MiB));
    budget.release(16 * MiB);
    EXPECT_TRUE(budget.tryTake(20 * MiB));
    EXPECT_EQ(budget.held(), 40 * MiB);
}

TEST(ThumbnailLoader, EveryPictureArrivesOnceWhenEveryDecodeMustWaitItsTurn) {
    QTemporaryDir dir;
    std::vector<ThumbnailLoader::Request> requests;
    for (int i = 0; i < 12; ++i) {
        const QString file =
            dir.filePath(QStringLiteral("p%1.%2").arg(i).arg(i % 2 ? "png" : "jpg"));
        ASSERT_TRUE(test::writePicture(file, 600 + i, 400, i % 3 ? Qt::red : Qt::blue));
        requests.push_back({i, file});
    }
    requests.push_back({99, dir.filePath(QStringLiteral("gone.png"))});

    ThumbnailLoader loader(nullptr, 3);
    // Every decode is large and the budget holds one: all but one are put off each time.
    loader.setMemoryBudget(1, 0);
    std::map<int, int> arrivals;
    std::map<int, ThumbnailState> states;
    loader.setDelivery([&](int id, const ThumbnailResult& result) {
        ++arrivals[id];
        states[id] = result.state;
        EXPECT_FALSE(result.deferred);
    });
    loader.start(requests);
    ASSERT_TRUE(test::waitUntil([&] { return arrivals.size() == requests.size(); }, 30000));
    ASSERT_TRUE(loader.waitForWorkers(10000));
    QCoreApplication::processEvents();
    for (const auto& [id, count] : arrivals) {
        EXPECT_EQ(count, 1) << id;
        EXPECT_EQ(states[id], id == 99 ? ThumbnailState::Broken : ThumbnailState::Ready) << id;
    }
    EXPECT_EQ(loader.pending(), 0);
}

TEST(ThumbnailLoader, ACancelReleasesWorkersWaitingForMemory) {
    QTemporaryDir dir;
    std::vector<ThumbnailLoader::Request> requests;
    for (int i = 0; i < 8; ++i) {
        const QString file = dir.filePath(QStringLiteral("p%1.png").arg(i));
        ASSERT_TRUE(test::writePicture(file, 900, 700));
        requests.push_back({i, file});
    }
    int delivered = 0;
    {
        ThumbnailLoader loader(nullptr, 4);
        loader.setMemoryBudget(1, 0);
        loader.setDelivery([&](int, const ThumbnailResult&) { ++delivered; });
        loader.start(requests);
        loader.cancel();
        EXPECT_TRUE(loader.waitForWorkers(10000));
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(delivered, 0);
}

} // namespace
} // namespace pix
