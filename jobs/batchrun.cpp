#include "jobs/batchrun.h"

#include "jobs/batchpipeline.h"
#include "jobs/ensurefolder.h"
#include "jobs/filekey.h"
#include "jobs/outputnaming.h"
#include "platform/machinememory.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QThread>
#include <optional>

namespace pix {

namespace {

struct Plan {
    std::vector<BatchTask> tasks;
    std::vector<BatchRun::OutputClash> clashes;
};

Plan planTasks(const JobList& list) {
    Plan plan;
    std::vector<BatchTask>& tasks = plan.tasks;
    tasks.reserve(std::size_t(list.rowCount()));
    QHash<QString, int> lastWriter; // file key -> the last task writing that file
    // Each path's key once: it resolves the folder on disk.
    std::vector<QString> sourceKeys;
    std::vector<QString> outputKeys;
    for (int row = 0; row < list.rowCount(); ++row) {
        const JobItem* item = list.itemAt(row);
        if (!item)
            continue;
        BatchTask task;
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

} // namespace

struct BatchRun::State {
    std::vector<BatchTask> tasks;
    std::optional<BatchPipeline> pipeline;
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
    BatchTask& task = state_->tasks[index];
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
    const BatchTask& task = state_->tasks[results_.size()];
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
