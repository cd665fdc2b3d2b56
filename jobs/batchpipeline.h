// The worker threads of a batch run: they measure and prepare rows, in the order the schedule
// (jobs/batchschedule.h) chooses, while the run's thread commits them in row order.
#pragma once

#include "jobs/batchschedule.h"
#include "jobs/conversion.h"
#include "jobs/joblist.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace pix {

// One row of a run, as the run took it when it started.
struct BatchTask {
    JobItem item; // a copy: workers never touch the list
    JobList::ItemId id = 0;
    QString sourcePath;
    QString outputPath;
    int waitsFor = -1; // an earlier row whose output is this row's source
    bool laterRowReadsOutput = false;
    PreparedConversion prepared;
};

class BatchPipeline {
public:
    using Prepare = std::function<PreparedConversion(const JobItem&, const QString&)>;

    // Starts `threads` workers over the tasks, which must outlive the pipeline. Each finished
    // row is announced through `ready`, from the worker's thread. With no worker thread at all,
    // tryTake prepares the row itself.
    BatchPipeline(std::vector<BatchTask>& tasks, int threads, qint64 budget, Prepare prepare,
                  std::function<void()> ready);
    ~BatchPipeline(); // stops the workers and waits for them

    // The prepared conversion of task `index` once a worker has finished it; none before.
    std::optional<PreparedConversion> tryTake(std::size_t index);
    // The tasks before `index` are committed: rows reading their outputs may start.
    void committedUpTo(std::size_t index);

private:
    void work();
    void measure(std::size_t index, std::unique_lock<std::mutex>& lock);
    void prepare(const ScheduleStep& step, std::unique_lock<std::mutex>& lock);

    std::vector<BatchTask>& tasks_;
    const Prepare prepare_;
    const std::function<void()> ready_;
    std::mutex mutex_;
    std::condition_variable changed_;
    BatchSchedule schedule_; // guarded by mutex_
    std::vector<std::thread> workers_;
};

} // namespace pix
