// The thumbnail workers: every request of the current batch is delivered once, also when large
// decodes take turns, and a cancel or a new batch drops what an older one left.
#include "browser/thumbnailloader.h"

#include "browser/browserfixture.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>
#include <map>

namespace pix {
namespace {

class LoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        // JPEGs and PNGs alternating, so that turns and plain decodes interleave.
        for (int i = 0; i < 12; ++i) {
            const QString name = dir.filePath(QString("p%1.%2").arg(i).arg(i % 3 ? "jpg" : "png"));
            ASSERT_TRUE(test::writePicture(name, 400 + 16 * i, 300, Qt::blue));
            requests.push_back({i, name});
        }
    }

    // Runs the loader over the requests and answers what was delivered for each id.
    std::map<int, int> deliveries(ThumbnailLoader& loader) {
        std::map<int, int> delivered;
        loader.setDelivery([&](int id, const ThumbnailResult& result) {
            ++delivered[id];
            EXPECT_EQ(result.state, ThumbnailState::Ready) << id;
        });
        loader.start(requests);
        EXPECT_TRUE(test::waitUntil([&] { return delivered.size() == requests.size(); }));
        EXPECT_TRUE(loader.waitForWorkers(10000));
        test::waitUntil([] { return false; }, 50); // results still in the event queue
        return delivered;
    }

    QTemporaryDir dir;
    std::vector<ThumbnailLoader::Request> requests;
};

TEST_F(LoaderTest, EveryRequestIsDeliveredOnceWhenLargeDecodesTakeTurns) {
    for (const int workers : {1, 2, 4}) {
        ThumbnailLoader loader(nullptr, workers);
        loader.setLargeDecodeBytes(1); // every JPEG waits for its turn
        const std::map<int, int> delivered = deliveries(loader);
        ASSERT_EQ(delivered.size(), requests.size()) << workers;
        for (const auto& [id, count] : delivered)
            EXPECT_EQ(count, 1) << "id " << id << ", " << workers << " workers";
        EXPECT_EQ(loader.pending(), 0);
    }
}

TEST_F(LoaderTest, ANewBatchDropsWhatWasPutOff) {
    ThumbnailLoader loader(nullptr, 2);
    loader.setLargeDecodeBytes(1);
    std::map<int, int> delivered;
    loader.setDelivery([&](int id, const ThumbnailResult&) { ++delivered[id]; });
    loader.start(requests);
    // The second batch has ids of its own: nothing of the first may arrive after it starts.
    std::vector<ThumbnailLoader::Request> second;
    for (const ThumbnailLoader::Request& request : requests)
        second.push_back({request.id + 100, request.path});
    loader.start(second);
    delivered.clear();
    ASSERT_TRUE(test::waitUntil([&] {
        return std::count_if(delivered.begin(), delivered.end(), [](const auto& entry) {
                   return entry.first >= 100;
               }) == std::ptrdiff_t(second.size());
    }));
    ASSERT_TRUE(loader.waitForWorkers(10000));
    test::waitUntil([] { return false; }, 50);
    for (const auto& [id, count] : delivered) {
        EXPECT_GE(id, 100);
        EXPECT_EQ(count, 1) << id;
    }
    EXPECT_EQ(loader.pending(), 0);
}

} // namespace
} // namespace pix
