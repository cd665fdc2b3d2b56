#include "jobs/batchrun.h"

#include "jobs/ensurefolder.h"
#include "jobs/joblist.h"
#include "jobs/outputnaming.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QThread>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace pix {

namespace {

struct Task {
    JobItem item; // a copy: workers never touch the list
    QString sourcePath;
    QString outputPath;
    int waitsFor = -1; // an earlier row whose output is this row's source
    PreparedConversion prepared;
    bool done = false;
};

// Runs on worker threads, where an escaping exception would end the program: the imaging
// service reports its own failures as a Status, so what reaches here is a failed allocation
// (std::bad_alloc, or std::length_error for an absurd size), and fails only this row.
PreparedConversion prepareSafely(const JobItem& item, const QString& sourcePath) {
    try {
        return PrepareConversion(item, sourcePath);
    } catch (const std::exception&) {
        PreparedConversion result;
        result.status = imaging::Status::OutOfMemory;
        return result;
    }
}

// One key per file however its path is spelt: absolute, cleaned, through the real (symlink-
// resolved) folder when it exists, and case-folded, since on a case-insensitive volume two
// spellings are one file. Waiting for an unrelated row costs a little speed, never correctness.
QString fileKey(const QString& path) {
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    const QString real = QFileInfo(folder).canonicalFilePath();
    return ((real.isEmpty() ? QDir::cleanPath(folder) : real) + u'/' + info.fileName())
        .toCaseFolded();
}

std::vector<Task> planTasks(const JobList& list) {
    std::vector<Task> tasks;
    tasks.reserve(std::size_t(list.rowCount()));
    QHash<QString, int> lastWriter; // file key -> the last task writing that file
    for (int row = 0; row < list.rowCount(); ++row) {
        const JobItem* item = list.itemAt(row);
        if (!item)
            continue;
        Task task;
        task.item = *item;
        task.sourcePath = joinPath(item->source.folder, list.rowName(row));
        task.outputPath = BuildOutputPath(*item, list.rowName(row));
        task.waitsFor = lastWriter.value(fileKey(task.sourcePath), -1);
        lastWriter.insert(fileKey(task.outputPath), int(tasks.size()));
        tasks.push_back(std::move(task));
    }
    return tasks;
}

// A fixed set of worker threads preparing rows in row order. One worker per core decodes at a
// time, and finished rows wait for their commit only up to one row beyond the workers, so the
// pictures and encoded files held at once are bounded however long the list. A row that reads an
// earlier row's output is not started before that row is committed.
class Pipeline {
public:
    Pipeline(std::vector<Task>& tasks, int threads)
        : tasks_(tasks), window_(std::size_t(threads) + 1) {
        for (int i = 0; i < threads; ++i) {
            try {
                workers_.emplace_back([this] { work(); });
            } catch (const std::system_error&) {
                break; // fewer workers; the committing thread prepares what is left
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

    // The prepared conversion of task `index`, once every task before it is committed.
    PreparedConversion take(std::size_t index) {
        std::unique_lock lock(mutex_);
        committed_ = index;
        changed_.notify_all();
        Task& task = tasks_[index];
        if (next_ == index && startable(index)) {
            ++next_; // no worker has it yet: prepare it here rather than wait
            lock.unlock();
            return prepareSafely(task.item, task.sourcePath);
        }
        changed_.wait(lock, [&] { return task.done; });
        return std::move(task.prepared);
    }

    // Waits until no worker is still preparing task `index` (a row skipped without its result).
    void skip(std::size_t index) {
        std::unique_lock lock(mutex_);
        committed_ = index;
        changed_.notify_all();
        if (next_ == index) {
            ++next_;
            return;
        }
        changed_.wait(lock, [&] { return tasks_[index].done; });
        tasks_[index].prepared = {};
    }

private:
    bool startable(std::size_t index) const {
        const int waitsFor = tasks_[index].waitsFor;
        return waitsFor < 0 || std::size_t(waitsFor) < committed_;
    }

    void work() {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [&] {
                return stopping_ || next_ >= tasks_.size() ||
                       (next_ < committed_ + window_ && startable(next_));
            });
            if (stopping_ || next_ >= tasks_.size())
                return;
            Task& task = tasks_[next_++];
            lock.unlock();
            PreparedConversion prepared = prepareSafely(task.item, task.sourcePath);
            lock.lock();
            task.prepared = std::move(prepared);
            task.done = true;
            changed_.notify_all();
        }
    }

    std::vector<Task>& tasks_;
    const std::size_t window_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t next_ = 0;      // the next task to start
    std::size_t committed_ = 0; // tasks before this one are committed
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

} // namespace

void StartBatch(JobList& list, const ConversionContext& context, const BatchOptions& options) {
    const int rows = list.rowCount();
    if (rows == 0)
        return;
    std::vector<int> taskRows; // the list row of each task
    for (int row = 0; row < rows; ++row) {
        if (list.itemAt(row))
            taskRows.push_back(row);
    }
    std::vector<Task> tasks = planTasks(list);
    const int threads = options.threads > 0 ? options.threads : QThread::idealThreadCount();
    std::optional<Pipeline> pipeline;
    if (threads > 1)
        pipeline.emplace(tasks, threads);

    std::vector<int> converted;
    for (std::size_t i = 0; i < tasks.size(); ++i) {
        Task& task = tasks[i];
        if (!QFileInfo::exists(task.sourcePath)) {
            if (pipeline)
                pipeline->skip(i);
            LogUnableToSave(context, task.outputPath);
        } else {
            EnsureFolder(task.item.output.folder + u'/');
            PreparedConversion prepared =
                pipeline ? pipeline->take(i) : prepareSafely(task.item, task.sourcePath);
            if (CommitConversion(task.item, task.outputPath, std::move(prepared), context))
                converted.push_back(taskRows[i]);
        }
        if (options.progress)
            options.progress(int(i) + 1, int(tasks.size()));
    }
    pipeline.reset();
    list.RemoveRows(converted);
}

} // namespace pix
