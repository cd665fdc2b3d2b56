// Makes thumbnails on a few worker threads and hands each one to the user-interface thread.
//
// Requests wait in one queue that the caller can reorder (the visible rows first); only as many
// pictures are decoded at once as there are workers, and decodes that need much memory take
// turns (ThumbnailBudget): one that does not fit beside the others goes back to the queue while
// the worker takes the next request, so memory stays bounded whatever the folder holds. Every batch
// of requests carries a generation: starting a new batch or cancelling drops what is still queued,
// and results of an older generation are never handed on.
#pragma once

#include "browser/thumbnailbudget.h"
#include "browser/thumbnailmaker.h"

#include <QObject>
#include <QString>
#include <QThreadPool>
#include <condition_variable>
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
        // Put off for memory when the budget had seen this many releases; tried again after
        // the next one.
        bool deferred = false;
        std::uint64_t deferredAt = 0;
    };
    // What the decodes may hold together, and what a decode that always runs may hold.
    static constexpr std::uint64_t kMemoryBudget = std::uint64_t(48) << 20;
    static constexpr std::uint64_t kSmallDecode = std::uint64_t(16) << 20;
    // Called on the thread that owns the loader, once per finished request of the current
    // generation.
    using Delivery = std::function<void(int id, const ThumbnailResult& result)>;

    /// cache may be null (no shared cache). workers <= 0 picks one per core, at most four.
    explicit ThumbnailLoader(std::shared_ptr<const ThumbnailCache> cache, int workers = 0,
                             QObject* parent = nullptr);
    ~ThumbnailLoader() override; // cancels and waits for the pictures being decoded

    void setDelivery(Delivery delivery) { delivery_ = std::move(delivery); }

    /// Replaces whatever is queued by these requests, in this order.
    void start(std::vector<Request> requests);
    /// Moves the queued requests with these ids to the front, in the order given.
    void prioritize(const std::vector<int>& ids);
    /// Drops the queued requests; results of pictures already being decoded are not delivered.
    void cancel();

    /// Replaces the memory budget (before start).
    void setMemoryBudget(std::uint64_t total, std::uint64_t small);

    /// Requests queued or being decoded.
    int pending() const;
    /// Waits until no worker runs (results may still wait in the event queue).
    bool waitForWorkers(int msecs = -1);

private:
    void work();
    void launchWorkers(); // with mutex_ held
    // The first queued request that may start now, or the end; with mutex_ held.
    std::deque<Request>::iterator nextRequest();
    void post(quint64 generation, int id, const ThumbnailResult& result); // with mutex_ held

    std::shared_ptr<const ThumbnailCache> cache_;
    Delivery delivery_;
    int workers_;
    QThreadPool pool_;

    mutable std::mutex mutex_;
    std::condition_variable released_; // the budget got memory back, or the queue changed
    ThumbnailBudget budget_{kMemoryBudget, kSmallDecode};
    std::deque<Request> queue_;
    quint64 generation_ = 0;
    int running_ = 0;  // workers started and not yet ended
    int inFlight_ = 0; // requests being decoded
};

} // namespace pix
