#include "app/interactiverun.h"

namespace pix {

InteractiveRun::InteractiveRun(JobList& list, ReplaceQuestion& question, OutputLineSink* sink,
                               QObject* owner, QObject* parent)
    : QObject(parent), list_(list), question_(question), sink_(sink), owner_(owner) {}

InteractiveRun::~InteractiveRun() {
    // A run still going when the window closes ends after the row being written.
    if (run_)
        run_->stop();
}

bool InteractiveRun::start() {
    if (run_)
        return false;
    // A fresh prompt per run: "Yes to All" and "No to All" end with the run.
    prompt_ = std::make_unique<RunPrompt>(question_, nullptr);
    run_ = std::make_unique<BatchRun>(list_, ConversionContext{prompt_.get(), owner_, sink_},
                                      options_);
    connect(run_.get(), &BatchRun::rowFinished, this,
            [this](int, const RowResult& result) { onRowFinished(result); });
    connect(run_.get(), &BatchRun::progress, this, &InteractiveRun::progress);
    connect(run_.get(), &BatchRun::finished, this, &InteractiveRun::onFinished);
    tally_ = {};
    total_ = list_.rowCount();
    run_->start();
    // Once the run holds the list, so that what is told of the start sees it locked. A list
    // without rows has finished already.
    if (run_)
        emit started(total_);
    return true;
}

void InteractiveRun::stop() {
    if (run_)
        run_->stop();
}

void InteractiveRun::onRowFinished(const RowResult& result) {
    tally_.add(result);
    // A row run again loses the mark of its last failure, or gets a new one.
    list_.setFailure(result.itemId,
                     result.outcome == RowResult::Outcome::Failed ? result.reason : QString());
    const QString note = RowResultNote(result);
    if (sink_ && !note.isEmpty())
        sink_->AddOutputLine(note, std::nullopt);
}

void InteractiveRun::onFinished() {
    // The run object is still on the stack of its own signal: it goes once control returns to
    // the event loop.
    BatchRun* done = run_.release();
    done->deleteLater();
    quitting_ = false;
    summary_ = tally_.summary(total_);
    if (sink_ && total_ > 0)
        sink_->AddOutputLine(summary_, std::nullopt);
    emit finished();
}

QString InteractiveRun::progressText(int done, int total) {
    return QStringLiteral("%1 of %2").arg(done).arg(total);
}

QString InteractiveRun::quitQuestion() {
    return QStringLiteral("A conversion is running. Stop it and quit?");
}

InteractiveRun::QuitStep InteractiveRun::quit(UserPrompt& prompt, QObject* owner) {
    if (!run_)
        return QuitStep::Now;
    if (quitting_)
        return QuitStep::AfterRun; // asked already; the run is ending
    const Answer answer = prompt.askYesNo(quitQuestion(), MessageIcon::Question, owner);
    if (answer == Answer::No)
        return QuitStep::Stay;
    if (!run_)
        return QuitStep::Now; // it ended while the question was open
    quitting_ = true;
    run_->stop();
    return QuitStep::AfterRun;
}

} // namespace pix
