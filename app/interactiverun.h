// "Start" in the window: one batch run at a time over the job list, with its own questions
// (see RunPrompt) and its progress, never blocking the window. "Stop" ends it after the row
// being written; the rows not reached stay in the list. What each row came to is told as it
// happens: a failed row is marked in the list with its reason, and the reason (or what a
// damaged source cost) follows the row's result line in the log; the run ends with a summary.
#pragma once

#include "app/runprompt.h"
#include "app/runtally.h"
#include "jobs/batchrun.h"

#include <QObject>
#include <memory>

namespace pix {

class InteractiveRun : public QObject {
    Q_OBJECT
public:
    // owner: the window the replace question belongs to. sink: where the result lines go.
    InteractiveRun(JobList& list, ReplaceQuestion& question, OutputLineSink* sink,
                   QObject* owner = nullptr, QObject* parent = nullptr);
    ~InteractiveRun() override;

    // Options of the runs to come (the tests use one worker).
    void setOptions(BatchOptions options) { options_ = std::move(options); }

    // Starts a run over the rows in their display order; false when one is going already.
    bool start();
    void stop();
    bool isRunning() const { return run_ != nullptr; }

    // The status bar's progress text, "3 of 10".
    static QString progressText(int done, int total);
    // The summary of the last run that finished ("15 converted, 2 failed"); empty before.
    const QString& lastSummary() const { return summary_; }

    // Closing the window: Now when no run goes on. During a run the person is asked first
    // (QuitQuestion); Yes stops the run and the window closes after it (AfterRun), No keeps
    // the window and the run (Stay).
    enum class QuitStep { Now, AfterRun, Stay };
    QuitStep quit(UserPrompt& prompt, QObject* owner);
    static QString quitQuestion();

signals:
    // Once the run holds the list; not for a list without rows, which finishes at once.
    void started(int total);
    void progress(int done, int total);
    // After the converted rows have left the list; lastSummary() tells what the run did.
    void finished();

private:
    void onRowFinished(const RowResult& result);
    void onFinished();

    JobList& list_;
    ReplaceQuestion& question_;
    OutputLineSink* sink_;
    QObject* owner_;
    BatchOptions options_;
    std::unique_ptr<RunPrompt> prompt_;
    std::unique_ptr<BatchRun> run_;
    RunTally tally_;
    int total_ = 0;
    bool quitting_ = false;
    QString summary_;
};

} // namespace pix
