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
    connect(run_.get(), &BatchRun::progress, this, &InteractiveRun::progress);
    connect(run_.get(), &BatchRun::finished, this, &InteractiveRun::onFinished);
    const int total = list_.rowCount();
    run_->start();
    // Once the run holds the list, so that what is told of the start sees it locked. A list
    // without rows has finished already.
    if (run_)
        emit started(total);
    return true;
}

void InteractiveRun::stop() {
    if (run_)
        run_->stop();
}

void InteractiveRun::onFinished() {
    // The run object is still on the stack of its own signal: it goes once control returns to
    // the event loop.
    BatchRun* done = run_.release();
    done->deleteLater();
    emit finished();
}

QString InteractiveRun::progressText(int done, int total) {
    return QStringLiteral("%1 of %2").arg(done).arg(total);
}

} // namespace pix
