// The thumbnail workers: one shared queue, a few threads, results posted to the owner's thread.
#include "browser/thumbnailloader.h"

#include "browser/thumbnailcache.h"

#include <QHash>
#include <QThread>
#include <algorithm>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace pix {

namespace {

// Thumbnails are background work: their threads yield to the user-interface thread, so that the
// window answers at once even while every core is decoding.
void lowerThreadPriority() {
#ifdef Q_OS_LINUX
    // On Linux the nice value belongs to the thread.
    static thread_local bool lowered = false;
    if (!lowered) {
        lowered = true;
        setpriority(PRIO_PROCESS, id_t(syscall(SYS_gettid)), 8);
    }
#endif
}

} // namespace

ThumbnailLoader::ThumbnailLoader(std::shared_ptr<const ThumbnailCache> cache, int workers,
                                 QObject* parent)
    : QObject(parent), cache_(std::move(cache)),
      workers_(workers > 0 ? workers : std::clamp(QThread::idealThreadCount(), 1, 4)) {
    pool_.setMaxThreadCount(workers_);
    // Workers idle between folders; let their threads end after a while.
    pool_.setExpiryTimeout(10000);
}

ThumbnailLoader::~ThumbnailLoader() {
    cancel();
    pool_.waitForDone();
    // Results still posted are destroyed with this object, on this thread: take the lock the
    // workers posted them under, so that their last writes are visibly ordered before.
    std::lock_guard<std::mutex> lock(mutex_);
}

void ThumbnailLoader::start(std::vector<Request> requests) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++generation_;
    queue_.assign(std::make_move_iterator(requests.begin()),
                  std::make_move_iterator(requests.end()));
    deferred_.clear();
    turnFree_.notify_all();
    launchWorkers();
}

void ThumbnailLoader::launchWorkers() {
    const int wanted = std::min<int>(workers_, int(queue_.size()));
    for (; running_ < wanted; ++running_)
        pool_.start([this] { work(); });
}

void ThumbnailLoader::prioritize(const std::vector<int>& ids) {
    QHash<int, int> rank;
    for (std::size_t i = 0; i < ids.size(); ++i)
        rank.insert(ids[i], int(i));
    std::lock_guard<std::mutex> lock(mutex_);
    const auto front = std::stable_partition(queue_.begin(), queue_.end(),
                                             [&](const Request& r) { return rank.contains(r.id); });
    std::stable_sort(queue_.begin(), front, [&](const Request& a, const Request& b) {
        return rank.value(a.id) < rank.value(b.id);
    });
}

void ThumbnailLoader::cancel() {
    std::lock_guard<std::mutex> lock(mutex_);
    ++generation_;
    queue_.clear();
    deferred_.clear();
    turnFree_.notify_all();
}

int ThumbnailLoader::pending() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return int(queue_.size() + deferred_.size()) + inFlight_;
}

bool ThumbnailLoader::waitForWorkers(int msecs) {
    return pool_.waitForDone(msecs);
}

bool ThumbnailLoader::takeRequest(Request& request, quint64& generation, bool& holdsTurn) {
    std::unique_lock<std::mutex> lock(mutex_);
    // A put-off request goes first once the turn is free; while it is taken, the queue's next
    // one; with nothing else to do, the worker waits for the turn.
    turnFree_.wait(lock, [this] { return deferred_.empty() || !largeRunning_ || !queue_.empty(); });
    if (!deferred_.empty() && !largeRunning_) {
        request = std::move(deferred_.front());
        deferred_.pop_front();
        largeRunning_ = holdsTurn = true;
    } else if (!queue_.empty()) {
        request = std::move(queue_.front());
        queue_.pop_front();
    } else {
        --running_;
        return false;
    }
    generation = generation_;
    ++inFlight_;
    return true;
}

void ThumbnailLoader::work() {
    lowerThreadPriority();
    for (;;) {
        Request request;
        quint64 generation = 0;
        bool holdsTurn = false;
        if (!takeRequest(request, generation, holdsTurn))
            return;
        const auto admit = [&](std::uint64_t bytes) {
            if (holdsTurn || bytes < largeDecodeBytes_)
                return true;
            std::lock_guard<std::mutex> lock(mutex_);
            if (largeRunning_)
                return false;
            largeRunning_ = holdsTurn = true;
            return true;
        };
        const ThumbnailResult result = makeBrowserThumbnail(request.path, cache_.get(), admit);
        std::lock_guard<std::mutex> lock(mutex_);
        --inFlight_;
        if (holdsTurn) {
            largeRunning_ = false;
            turnFree_.notify_all();
        }
        if (result.deferred) {
            if (generation == generation_)
                deferred_.push_back(std::move(request));
            continue;
        }
        if (generation != generation_)
            continue;
        // Posted under the lock, so a cancel on the owner's thread either comes before (and the
        // result is dropped here) or after (and the check below drops it).
        QMetaObject::invokeMethod(
            this,
            [this, generation, id = request.id, result] {
                bool current = false;
                {
                    std::lock_guard<std::mutex> relock(mutex_);
                    current = generation == generation_;
                }
                if (current && delivery_)
                    delivery_(id, result);
            },
            Qt::QueuedConnection);
    }
}

} // namespace pix
