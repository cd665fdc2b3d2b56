#include "jobs/batchpipeline.h"

#include "jobs/outputnaming.h"
#include "platform/imaging/cores.h"
#include "platform/imaging/decoder.h"
#include "platform/imaging/encoders.h"

#include <QFileInfo>
#include <algorithm>
#include <exception>
#include <system_error>

namespace pix {

namespace {

// Runs on worker threads, where an escaping exception would end the program: the imaging
// service reports its own failures as a Status, so what reaches here is a failed allocation
// (std::bad_alloc, or std::length_error for an absurd size), and fails only this row.
PreparedConversion prepareSafely(const BatchPipeline::Prepare& prepare, const JobItem& item,
                                 const QString& sourcePath) {
    try {
        return prepare ? prepare(item, sourcePath) : PrepareConversion(item, sourcePath);
    } catch (...) {
        PreparedConversion result;
        result.status = imaging::Status::OutOfMemory;
        return result;
    }
}

// The output picture of a row, four bytes a pixel; also about the most its encoded file takes.
qint64 outputBytes(const BatchTask& task) {
    return qint64(std::max(task.item.output.width, 0)) * std::max(task.item.output.height, 0) * 4;
}

// The bytes a row's pictures take while it is prepared: the decode's peak as the headers tell
// it (at the reduced scale the row decodes at) or, once the source is let go, what the encoder
// holds beside it, whichever is more, and the output picture. A file that cannot be measured
// needs nothing: it fails at once.
qint64 memoryNeed(const BatchTask& task) {
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

std::vector<ScheduledRow> scheduledRows(const std::vector<BatchTask>& tasks) {
    std::vector<ScheduledRow> rows(tasks.size());
    for (std::size_t i = 0; i < tasks.size(); ++i) {
        rows[i].waitsFor = tasks[i].waitsFor;
        rows[i].output = outputBytes(tasks[i]);
    }
    return rows;
}

} // namespace

BatchPipeline::BatchPipeline(std::vector<BatchTask>& tasks, int threads, qint64 budget,
                             Prepare prepare, std::function<void()> ready)
    : tasks_(tasks), prepare_(std::move(prepare)), ready_(std::move(ready)),
      schedule_(scheduledRows(tasks), ScheduleLimits::forWorkers(threads, budget)) {
    for (int i = 0; i < threads; ++i) {
        try {
            workers_.emplace_back([this] { work(); });
        } catch (const std::system_error&) {
            break; // fewer workers; with none, the committing thread prepares
        }
    }
}

BatchPipeline::~BatchPipeline() {
    {
        std::lock_guard lock(mutex_);
        schedule_.stop();
    }
    changed_.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
}

std::optional<PreparedConversion> BatchPipeline::tryTake(std::size_t index) {
    std::unique_lock lock(mutex_);
    BatchTask& task = tasks_[index];
    if (workers_.empty() && schedule_.row(index).state < ScheduledRow::Started) {
        schedule_.take(index); // no thread could be started: prepare here
        lock.unlock();
        return prepareSafely(prepare_, task.item, task.sourcePath);
    }
    if (schedule_.row(index).state != ScheduledRow::Done)
        return std::nullopt;
    schedule_.take(index);
    changed_.notify_all();
    return std::move(task.prepared);
}

void BatchPipeline::committedUpTo(std::size_t index) {
    {
        std::lock_guard lock(mutex_);
        schedule_.committedUpTo(index);
    }
    changed_.notify_all();
}

void BatchPipeline::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        const ScheduleStep step = schedule_.next();
        switch (step.kind) {
        case ScheduleStep::Measure:
            measure(step.row, lock);
            break;
        case ScheduleStep::Prepare:
            prepare(step, lock);
            break;
        case ScheduleStep::Wait:
            changed_.wait(lock);
            break;
        case ScheduleStep::End:
            return;
        }
    }
}

void BatchPipeline::measure(std::size_t index, std::unique_lock<std::mutex>& lock) {
    schedule_.measuring(index);
    lock.unlock();
    const BatchTask& task = tasks_[index];
    const qint64 need = memoryNeed(task);
    const qint64 work = need + QFileInfo(task.sourcePath).size();
    lock.lock();
    schedule_.measured(index, need, work);
    changed_.notify_all();
}

void BatchPipeline::prepare(const ScheduleStep& step, std::unique_lock<std::mutex>& lock) {
    const std::size_t index = step.row;
    schedule_.start(index, step.large);
    // Rows that fit may start while a larger one waits; it starts once the memory is free, at
    // the latest when nothing else is in flight. Results the run's thread can commit without
    // any worker count as in flight: they leave memory on their own.
    changed_.wait(lock, [&] { return schedule_.state().stopping || schedule_.mayBegin(index); });
    if (schedule_.state().stopping)
        return;
    schedule_.begin(index);
    lock.unlock();
    BatchTask& task = tasks_[index];
    PreparedConversion prepared;
    {
        const imaging::ScopedCores share(step.cores);
        prepared = prepareSafely(prepare_, task.item, task.sourcePath);
    }
    lock.lock();
    const qint64 bytes = qint64(prepared.bytes.size());
    task.prepared = std::move(prepared);
    schedule_.finish(index, bytes);
    changed_.notify_all();
    lock.unlock();
    ready_();
    lock.lock();
}

} // namespace pix
