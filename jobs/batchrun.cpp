#include "jobs/batchrun.h"

#include "jobs/ensurefolder.h"
#include "jobs/joblist.h"
#include "jobs/outputnaming.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QThread>
#include <future>
#include <new>
#include <vector>

namespace pix {

namespace {

struct Task {
    JobItem item; // a copy: workers never touch the list
    QString sourcePath;
    QString outputPath;
    int waitsFor = -1; // an earlier row whose output is this row's source
    std::future<PreparedConversion> prepared;
    bool submitted = false;
};

PreparedConversion prepareSafely(const JobItem& item, const QString& sourcePath) {
    try {
        return PrepareConversion(item, sourcePath);
    } catch (const std::bad_alloc&) {
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

class Pipeline {
public:
    Pipeline(std::vector<Task>& tasks, int threads) : tasks_(tasks), window_(threads + 1) {}

    // Starts work on rows ahead of `current` (all rows before it are committed), in row order,
    // stopping at a row that waits for one not yet committed.
    void fill(std::size_t current) {
        while (next_ < tasks_.size() && next_ < current + std::size_t(window_)) {
            Task& task = tasks_[next_];
            if (task.waitsFor >= 0 && std::size_t(task.waitsFor) >= current)
                break;
            task.prepared = std::async(std::launch::async, prepareSafely, std::cref(task.item),
                                       std::cref(task.sourcePath));
            task.submitted = true;
            ++next_;
        }
    }

private:
    std::vector<Task>& tasks_;
    int window_;
    std::size_t next_ = 0;
};

PreparedConversion takeResult(Task& task) {
    if (!task.submitted)
        return prepareSafely(task.item, task.sourcePath);
    return task.prepared.get();
}

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
    Pipeline pipeline(tasks, threads);

    std::vector<int> converted;
    for (std::size_t i = 0; i < tasks.size(); ++i) {
        if (threads > 1)
            pipeline.fill(i);
        Task& task = tasks[i];
        if (!QFileInfo::exists(task.sourcePath)) {
            if (task.submitted)
                task.prepared.wait();
            LogUnableToSave(context, task.outputPath);
        } else {
            EnsureFolder(task.item.output.folder + u'/');
            if (CommitConversion(task.item, task.outputPath, takeResult(task), context))
                converted.push_back(taskRows[i]);
        }
        if (options.progress)
            options.progress(int(i) + 1, int(tasks.size()));
    }
    list.RemoveRows(converted);
}

} // namespace pix
