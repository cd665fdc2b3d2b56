// The "Start" command: converts every row of the job list in display order, logs each result
// and then removes the rows that were converted.
#pragma once

#include "jobs/conversion.h"
#include "jobs/joblist.h"

#include <QObject>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace pix {

struct BatchOptions {
    // Worker threads preparing rows (decoding, turning, drawing, encoding); 0 means one per
    // core. The committing thread never prepares a row itself, so it stays free to answer.
    int threads = 0;
    // Bytes the pictures of the rows being prepared may take together; 0 means three quarters
    // of the memory the machine has available when the run starts. A row is started when its
    // pictures (its decoded size, read from the header, and its output size) fit what is left;
    // a row larger than the whole budget runs alone.
    qint64 memoryBudget = 0;
    // How a row is prepared; PrepareConversion unless a test puts a step of its own here.
    std::function<PreparedConversion(const JobItem&, const QString& sourcePath)> prepare;

    static BatchOptions withThreads(int count) {
        BatchOptions options;
        options.threads = count;
        return options;
    }
};

// One run over the job list. The rows are taken in their display order when the run starts;
// workers prepare the next rows (a much larger picture a few rows ahead early, so that it does
// not run alone at the end) while the event loop of the run's thread commits one row per turn,
// in row order: the existence test of the source, the output folder, the replace
// question, the writing of the file and the log line, exactly as a one-by-one run does them.
// A row whose source is the output of an earlier row is prepared after that row is committed.
// A row never replaces a file that a later row of the run still has to read as its source: it
// fails instead, so no picture is lost before it is converted.
// When the run ends, or is stopped, the rows that were converted leave the list, found by
// their identity, so that sorting or removing rows meanwhile cannot remove the wrong one.
class BatchRun : public QObject {
    Q_OBJECT
public:
    BatchRun(JobList& list, const ConversionContext& context, BatchOptions options = {},
             QObject* parent = nullptr);
    ~BatchRun() override;

    // Takes the rows and starts. An empty list finishes at once (finished is emitted before
    // start returns).
    void start();
    // Ends the run after the row being committed; the rows not reached stay in the list.
    void stop();
    // Starts and returns when the run has finished, running a local event loop meanwhile.
    void runToCompletion();

    bool isRunning() const { return running_; }
    int rowsDone() const { return int(results_.size()); }
    int rowsTotal() const;
    // One result per row handled, in row order.
    const std::vector<RowResult>& results() const { return results_; }

    // Rows of this run that write the same file (the later one replaces the earlier one's
    // output, or is asked to): known once the run has started.
    struct OutputClash {
        QString firstSource;
        QString secondSource;
        QString outputPath;
    };
    const std::vector<OutputClash>& outputClashes() const { return clashes_; }

signals:
    // After each row: its place in the run, what became of it.
    void rowFinished(int index, const pix::RowResult& result);
    void progress(int done, int total);
    // After the converted rows have left the list.
    void finished();

private:
    struct State;

    void commitNext();
    void scheduleCommit();
    void recordRow(RowResult result);
    void finish();

    JobList& list_;
    ConversionContext context_;
    BatchOptions options_;
    std::unique_ptr<State> state_;
    std::vector<RowResult> results_;
    std::vector<OutputClash> clashes_;
    std::vector<JobList::ItemId> converted_;
    std::optional<JobList::RunLock> lock_;
    bool running_ = false;
    bool committing_ = false;
    bool stopRequested_ = false;
    bool commitScheduled_ = false;
};

// Runs the whole list to completion (the job run, the tests).
void StartBatch(JobList& list, const ConversionContext& context, const BatchOptions& options = {});

} // namespace pix
