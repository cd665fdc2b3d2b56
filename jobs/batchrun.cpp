#include "jobs/batchrun.h"

#include "jobs/ensurefolder.h"
#include "jobs/filekey.h"
#include "jobs/outputnaming.h"
#include "platform/imaging/cores.h"
#include "platform/imaging/decoder.h"
#include "platform/imaging/encoders.h"
#include "platform/machinememory.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QThread>
#include <condition_variable>
#include <exception>
#include <limits>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace pix {

namespace {

using Prepare = std::function<PreparedConversion(const JobItem&, const QString&)>;

struct Task {
    JobItem item; // a copy: workers never touch the list
    JobList::ItemId id = 0;
    QString sourcePath;
    QString outputPath;
    int waitsFor = -1; // an earlier row whose output is this row's source
    bool laterRowReadsOutput = false;
    PreparedConversion prepared;
};

// Runs on worker threads, where an escaping exception would end the program: the imaging
// service reports its own failures as a Status, so what reaches here is a failed allocation
// (std::bad_alloc, or std::length_error for an absurd size), and fails only this row.
PreparedConversion prepareSafely(const Prepare& prepare, const JobItem& item,
                                 const QString& sourcePath) {
    try {
        return prepare ? prepare(item, sourcePath) : PrepareConversion(item, sourcePath);
    } catch (...) {
        PreparedConversion result;
        result.status = imaging::Status::OutOfMemory;
        return result;
    }
}

struct Plan {
    std::vector<Task> tasks;
    std::vector<BatchRun::OutputClash> clashes;
};

Plan planTasks(const JobList& list) {
    Plan plan;
    std::vector<Task>& tasks = plan.tasks;
    tasks.reserve(std::size_t(list.rowCount()));
    QHash<QString, int> lastWriter; // file key -> the last task writing that file
    // Each path's key once: it resolves the folder on disk.
    std::vector<QString> sourceKeys;
    std::vector<QString> outputKeys;
    for (int row = 0; row < list.rowCount(); ++row) {
        const JobItem* item = list.itemAt(row);
        if (!item)
            continue;
        Task task;
        task.item = *item;
        task.id = list.idAt(row);
        task.sourcePath = joinPath(item->source.folder, list.rowName(row));
        task.outputPath = BuildOutputPath(*item, list.rowName(row));
        sourceKeys.push_back(FileKey(task.sourcePath));
        task.waitsFor = lastWriter.value(sourceKeys.back(), -1);
        const QString outputKey = FileKey(task.outputPath);
        if (const auto earlier = lastWriter.constFind(outputKey); earlier != lastWriter.cend())
            plan.clashes.push_back(
                {tasks[std::size_t(*earlier)].sourcePath, task.sourcePath, task.outputPath});
        lastWriter.insert(outputKey, int(tasks.size()));
        outputKeys.push_back(outputKey);
        tasks.push_back(std::move(task));
    }
    // From the end: which outputs a later row reads as its source.
    QSet<QString> readLater;
    for (std::size_t i = tasks.size(); i-- > 0;) {
        tasks[i].laterRowReadsOutput = readLater.contains(outputKeys[i]);
        readLater.insert(sourceKeys[i]);
    }
    return plan;
}

// The output picture of a row, four bytes a pixel; also about the most its encoded file takes.
qint64 outputBytes(const Task& task) {
    return qint64(std::max(task.item.output.width, 0)) * std::max(task.item.output.height, 0) * 4;
}

// The bytes a row's pictures take while it is prepared: the decode's peak as the headers tell
// it (at the reduced scale the row decodes at) or, once the source is let go, what the encoder
// holds beside it, whichever is more, and the output picture. A file that cannot be measured
// needs nothing: it fails at once.

qint64 memoryNeed(const Task& task) {
    std::uint64_t decode = 0;
    if (imaging::estimateDecodeMemoryOfFile(task.sourcePath, DecodeHintFor(task.item), decode) !=
        imaging::Status::Ok)
        return 0;
    // The encoder gets the output size, or the picture's own when the row keeps it.
    const JobItem& item = task.item;
    QSize encoded(std::max(item.output.width, 0), std::max(item.output.height, 0));
    if (encoded.isEmpty())
        encoded = QSize(std::max(item.source.width, 0), std::max(item.source.height, 0));
    const std::uint64_t encode = imaging::encoderWorkingMemory(ChooseEncoder(item), encoded);
    return qint64(std::min<std::uint64_t>(std::max(decode, encode), std::uint64_t(1) << 50)) +
           outputBytes(task);
}

// Worker threads preparing rows while the run's thread commits them in row order.
//
// Rows are taken in row order, except that the workers look ahead up to eight rows a worker and
// tell large rows from small ones: a row expected to take at least twice as long as the
// smallest waiting one is large. One large row is prepared at a time, the nearest first, while
// the other workers go on with the small rows in row order; only when no small row is left to
// start does a large row start beside another. So a few large pictures among small ones neither
// run alone at the end of the list nor are decoded side by side while small rows wait. A row's
// expected work is the memory its decode takes (from the headers, at the scale it decodes at)
// plus the size of its file; both grow with the time it takes. The rows up to `threads + 1`
// beyond the last commit may always start, as before; a row further on starts only when the
// prepared results waiting for their commit, with its own output picture, stay within the
// largest picture seen, so that memory holds about one picture a worker and one more however
// long the list. One worker per core decodes at a time, within the memory budget. A row that
// reads an earlier row's output is not started before that row is committed. Each finished row
// is announced through `ready`, from the worker's thread.
class Pipeline {
public:
    Pipeline(std::vector<Task>& tasks, int threads, qint64 budget, Prepare prepare,
             std::function<void()> ready)
        : tasks_(tasks), rows_(tasks.size()), ordered_(std::size_t(threads) + 1),
          lookahead_(threads > 1 ? std::size_t(threads) * 8 : ordered_), reorder_(threads > 1),
          budget_(budget), threads_(threads), prepare_(std::move(prepare)),
          ready_(std::move(ready)) {
        for (int i = 0; i < threads; ++i) {
            try {
                workers_.emplace_back([this] { work(); });
            } catch (const std::system_error&) {
                break; // fewer workers; with none, the committing thread prepares
            }
        }
    }

    ~Pipeline() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        for (std::thread& worker : workers_)
            worker.join();
    }

    // The prepared conversion of task `index` once a worker has finished it; none before.
    std::optional<PreparedConversion> tryTake(std::size_t index) {
        std::unique_lock lock(mutex_);
        Task& task = tasks_[index];
        if (workers_.empty() && rows_[index].state < Row::Started) {
            rows_[index].state = Row::Started; // no thread could be started: prepare here
            lock.unlock();
            return prepareSafely(prepare_, task.item, task.sourcePath);
        }
        if (rows_[index].state != Row::Done)
            return std::nullopt;
        rows_[index].state = Row::Taken;
        held_ -= qint64(task.prepared.bytes.size());
        changed_.notify_all();
        return std::move(task.prepared);
    }

    // The tasks before `index` are committed: rows reading their outputs may start.
    void committedUpTo(std::size_t index) {
        {
            std::lock_guard lock(mutex_);
            committed_ = index;
        }
        changed_.notify_all();
    }

private:
    struct Row {
        enum State { Waiting, Measuring, Measured, Started, Done, Taken };
        State state = Waiting;
        qint64 need = 0;    // memoryNeed
        qint64 work = 0;    // the expected work: need and the file's size
        qint64 reserve = 0; // held for its result while a row started far ahead is prepared
        qint64 result = 0;  // the bytes of its prepared result
        bool large = false; // started as a large row
    };

    std::size_t lookaheadEnd() const { return std::min(tasks_.size(), committed_ + lookahead_); }

    bool startable(std::size_t index) const {
        const int waitsFor = tasks_[index].waitsFor;
        return waitsFor < 0 || std::size_t(waitsFor) < committed_;
    }

    // The first row of the look-ahead not yet measured. A row reading an earlier row's output
    // is measured once that output is written.
    std::optional<std::size_t> unmeasured() const {
        for (std::size_t i = committed_; i < lookaheadEnd(); ++i) {
            if (rows_[i].state == Row::Waiting && startable(i))
                return i;
        }
        return std::nullopt;
    }

    bool measuring() const {
        for (std::size_t i = committed_; i < lookaheadEnd(); ++i) {
            if (rows_[i].state == Row::Measuring)
                return true;
        }
        return false;
    }

    // The row to start next, and whether it is a large one: the nearest large row when none is
    // being prepared, else the first small one; the first row when all are alike. A single
    // worker keeps to row order: it would finish no sooner, and every row would be shown later.
    std::pair<std::optional<std::size_t>, bool> pick() const {
        const std::size_t orderedEnd = committed_ + ordered_;
        std::vector<std::size_t> rows;
        qint64 smallest = std::numeric_limits<qint64>::max();
        for (std::size_t i = committed_; i < lookaheadEnd(); ++i) {
            if (rows_[i].state != Row::Measured) // a row is measured once it may start
                continue;
            if (i >= orderedEnd && held_ + outputBytes(tasks_[i]) > heldLimit_)
                continue;
            rows.push_back(i);
            if (rows_[i].work > 0) // nothing known: it fails at once
                smallest = std::min(smallest, rows_[i].work);
        }
        if (rows.empty())
            return {std::nullopt, false};
        const auto isLarge = [&](std::size_t i) { return rows_[i].work / 2 >= smallest; };
        if (reorder_) {
            const bool wantLarge = largeInFlight_ == 0;
            for (const std::size_t i : rows) {
                if (isLarge(i) == wantLarge)
                    return {i, wantLarge};
            }
        }
        return {rows.front(), isLarge(rows.front())};
    }

    // The bytes of the prepared results next in row order, being committed or to be committed
    // by the run's thread without waiting for any worker.
    qint64 committable() const {
        qint64 bytes = 0;
        for (std::size_t i = committed_;
             i < rows_.size() && (rows_[i].state == Row::Done || rows_[i].state == Row::Taken); ++i)
            bytes += rows_[i].result;
        return bytes;
    }

    void measure(std::size_t index, std::unique_lock<std::mutex>& lock) {
        rows_[index].state = Row::Measuring;
        lock.unlock();
        const Task& task = tasks_[index];
        const qint64 need = memoryNeed(task);
        const qint64 work = need + QFileInfo(task.sourcePath).size();
        lock.lock();
        rows_[index] = {Row::Measured, need, work, 0, 0, false};
        heldLimit_ = std::max(heldLimit_, need);
        changed_.notify_all();
    }

    void prepare(std::size_t index, bool large, std::unique_lock<std::mutex>& lock) {
        Row& row = rows_[index];
        row.large = large;
        largeInFlight_ += large;
        row.state = Row::Started;
        ++started_;
        if (index >= committed_ + ordered_) {
            row.reserve = outputBytes(tasks_[index]);
            held_ += row.reserve;
        }
        // Rows that fit may start while a larger one waits; it starts once the memory is
        // free, at the latest when nothing else is in flight. Results the run's thread can
        // commit without any worker count as in flight: they leave memory on their own.
        changed_.wait(lock, [&] {
            const qint64 waiting = committable();
            return stopping_ || (inUse_ == 0 && waiting == 0) ||
                   inUse_ + waiting + row.need <= budget_;
        });
        if (stopping_)
            return;
        inUse_ += row.need;
        // With no row left to start, the cores the rows in flight leave idle are this row's.
        const int cores = started_ == tasks_.size() ? std::max(1, threads_ - preparing_) : 1;
        ++preparing_;
        lock.unlock();
        Task& task = tasks_[index];
        PreparedConversion prepared;
        {
            const imaging::ScopedCores share(cores);
            prepared = prepareSafely(prepare_, task.item, task.sourcePath);
        }
        lock.lock();
        --preparing_;
        inUse_ -= row.need;
        largeInFlight_ -= row.large;
        row.result = qint64(prepared.bytes.size());
        held_ += row.result - row.reserve;
        task.prepared = std::move(prepared);
        row.state = Row::Done;
        changed_.notify_all();
        lock.unlock();
        ready_();
        lock.lock();
    }

    void work() {
        std::unique_lock lock(mutex_);
        while (!stopping_ && started_ < tasks_.size()) {
            if (const std::optional<std::size_t> index = unmeasured()) {
                measure(*index, lock);
                continue;
            }
            // Every row of the look-ahead is weighed before one is chosen.
            const auto [index, large] =
                measuring() ? std::pair<std::optional<std::size_t>, bool>() : pick();
            if (index)
                prepare(*index, large, lock);
            else
                changed_.wait(lock);
        }
    }

    std::vector<Task>& tasks_;
    std::vector<Row> rows_;
    const std::size_t ordered_;   // rows beyond the last commit that may always start
    const std::size_t lookahead_; // rows beyond the last commit that may start
    const bool reorder_;          // larger rows may start before smaller ones
    const qint64 budget_;
    const int threads_;     // workers asked for; a worker reads this, not workers_, which grows
    qint64 inUse_ = 0;      // bytes taken by the rows being prepared
    qint64 held_ = 0;       // bytes of the prepared rows waiting for their commit, and reserved
    qint64 heldLimit_ = 0;  // the largest memoryNeed seen
    int largeInFlight_ = 0; // large rows being prepared
    int preparing_ = 0;     // rows being prepared
    const Prepare prepare_;
    const std::function<void()> ready_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t started_ = 0;   // rows started
    std::size_t committed_ = 0; // tasks before this one are committed
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

} // namespace

struct BatchRun::State {
    std::vector<Task> tasks;
    std::optional<Pipeline> pipeline;
};

BatchRun::BatchRun(JobList& list, const ConversionContext& context, BatchOptions options,
                   QObject* parent)
    : QObject(parent), list_(list), context_(context), options_(std::move(options)) {}

BatchRun::~BatchRun() {
    // The workers stop before the tasks they read go away.
    if (state_)
        state_->pipeline.reset();
}

int BatchRun::rowsTotal() const {
    return state_ ? int(state_->tasks.size()) : 0;
}

void BatchRun::start() {
    if (running_ || state_)
        return; // a run object runs once
    state_ = std::make_unique<State>();
    Plan plan = planTasks(list_);
    state_->tasks = std::move(plan.tasks);
    clashes_ = std::move(plan.clashes);
    running_ = true;
    lock_.emplace(list_);
    if (state_->tasks.empty()) {
        finish();
        return;
    }
    const int threads =
        options_.threads > 0 ? options_.threads : std::max(1, QThread::idealThreadCount());
    // A worker's notice only asks this thread to look again; commitNext tells whether the row
    // it waits for is ready.
    const qint64 budget =
        options_.memoryBudget > 0 ? options_.memoryBudget : availableMemory() / 4 * 3;
    state_->pipeline.emplace(state_->tasks, threads, budget, options_.prepare, [this] {
        QMetaObject::invokeMethod(this, &BatchRun::commitNext, Qt::QueuedConnection);
    });
    scheduleCommit();
}

void BatchRun::stop() {
    if (!running_)
        return;
    stopRequested_ = true;
    if (!committing_)
        scheduleCommit();
}

void BatchRun::runToCompletion() {
    QEventLoop loop;
    connect(this, &BatchRun::finished, &loop, &QEventLoop::quit);
    start();
    if (running_)
        loop.exec();
}

void BatchRun::scheduleCommit() {
    QMetaObject::invokeMethod(this, &BatchRun::commitNext, Qt::QueuedConnection);
}

// One row per call, so the event loop runs between rows. A question shown while a row is
// committed runs a nested event loop; calls arriving meanwhile return at once, and the next row
// is taken only when this one is done, so rows and questions keep their order.
void BatchRun::commitNext() {
    if (!running_ || committing_)
        return;
    const std::size_t index = results_.size();
    if (stopRequested_ || index >= state_->tasks.size()) {
        finish();
        return;
    }
    Task& task = state_->tasks[index];
    std::optional<PreparedConversion> prepared = state_->pipeline->tryTake(index);
    if (!prepared)
        return; // the worker's notice brings us back
    using Outcome = RowResult::Outcome;
    if (!QFileInfo::exists(task.sourcePath)) {
        LogUnableToSave(context_, task.outputPath);
        recordRow(RowResult::failed(SourceMissingReason()));
        return;
    }
    if (const QString folder = OutputFolder(task.item); !EnsureFolder(folder + u'/')) {
        // The file could not be written there: the same line as a failed save.
        LogUnableToSave(context_, task.outputPath);
        recordRow(RowResult::failed(FolderNotMadeReason(folder)));
        return;
    }
    if (task.laterRowReadsOutput && QFileInfo::exists(task.outputPath)) {
        // Replacing it would lose a picture the person asked to convert, before it is read.
        LogUnableToSave(context_, task.outputPath);
        recordRow(RowResult::failed(ReplacesLaterSourceReason(task.outputPath)));
        return;
    }
    committing_ = true;
    RowResult result = CommitConversion(task.item, task.outputPath, std::move(*prepared), context_);
    committing_ = false;
    if (result.outcome == Outcome::Converted)
        converted_.push_back(task.id);
    recordRow(std::move(result));
}

void BatchRun::recordRow(RowResult result) {
    const Task& task = state_->tasks[results_.size()];
    result.sourcePath = task.sourcePath;
    result.outputPath = task.outputPath;
    result.itemId = task.id;
    results_.push_back(std::move(result));
    const int done = rowsDone();
    state_->pipeline->committedUpTo(std::size_t(done));
    emit rowFinished(done - 1, results_.back());
    emit progress(done, rowsTotal());
    scheduleCommit();
}

void BatchRun::finish() {
    running_ = false;
    if (state_->pipeline)
        state_->pipeline.reset(); // every row the run needs is prepared; stop the workers
    lock_.reset();
    list_.RemoveItems(converted_);
    emit finished();
}

void StartBatch(JobList& list, const ConversionContext& context, const BatchOptions& options) {
    BatchRun run(list, context, options);
    run.runToCompletion();
}

} // namespace pix
