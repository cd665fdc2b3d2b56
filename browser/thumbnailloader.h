// Makes thumbnails on a few worker threads and hands each one to the user-interface thread.
//
// Requests wait in one queue that the caller can reorder (the visible rows first); only as many
// pictures are decoded at once as there are workers, so memory stays bounded whatever the
// folder holds. Every batch of requests carries a generation: starting a new batch or
// cancelling drops what is still queued, and results of an older generation are never handed
// on. Large decodes (a progressive JPEG's coefficients) take turns: while one runs, a worker
// that meets another puts it off and takes the next request, so that two never add up.
#pragma once

#include "browser/thumbnailmaker.h"

#include <QObject>
#include <QString>
#include <QThreadPool>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace pix {

class ThumbnailCache;

class ThumbnailLoader : public QObject {
public:
    struct Request {
        int id = -1; // the caller's key, e.g. a record index
        QString path;
    };
    // Called on the thread that owns the loader, once per finished request of the current
    // generation.
    using Delivery = std::function<void(int id, const ThumbnailResult& result)>;

    /// cache may be null (no shared cache). workers <= 0 picks one per core, at most four.
    explicit ThumbnailLoader(std::shared_ptr<const ThumbnailCache> cache, int workers = 0,
                             QObject* parent = nullptr);
    ~ThumbnailLoader() override; // cancels and waits for the pictures being decoded

    void setDelivery(Delivery delivery) { delivery_ = std::move(delivery); }
    /// Decodes holding at least this many bytes at their peak take turns (set before start).
    void setLargeDecodeBytes(std::uint64_t bytes) { largeDecodeBytes_ = bytes; }

    /// Replaces whatever is queued by these requests, in this order.
    void start(std::vector<Request> requests);
    /// Moves the queued requests with these ids to the front, in the order given.
    void prioritize(const std::vector<int>& ids);
    /// Drops the queued requests; results of pictures already being decoded are not delivered.
    void cancel();

    /// Requests queued, put off or being decoded.
    int pending() const;
    /// Waits until no worker runs (results may still wait in the event queue).
    bool waitForWorkers(int msecs = -1);

private:
    void work();
    // The next request to make and its generation; holdsTurn when it is a put-off large decode
    // that now has the turn. False when nothing is left: the worker ends.
    bool takeRequest(Request& request, quint64& generation, bool& holdsTurn);
    void launchWorkers(); // with mutex_ held

    std::shared_ptr<const ThumbnailCache> cache_;
    Delivery delivery_;
    int workers_;
    QThreadPool pool_;

    mutable std::mutex mutex_;
    std::deque<Request> queue_;
    std::deque<Request> deferred_; // put off for a large decode's turn; first once it is free
    bool largeRunning_ = false;    // a worker holds the large decodes' turn
    // A 12-megapixel progressive JPEG's coefficients, and more.
    std::uint64_t largeDecodeBytes_ = std::uint64_t(32) << 20;
    std::condition_variable turnFree_;
    quint64 generation_ = 0;
    int running_ = 0;  // workers started and not yet ended
    int inFlight_ = 0; // requests being decoded
};

} // namespace pix
