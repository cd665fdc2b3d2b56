// "Start" in the main window: the run's progress in the status bar and then what it did, the
// window kept usable; the status bar's message.
#include "app/mainframe.h"

#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QStatusTipEvent>

namespace pix {

namespace {

const QString kReady = QStringLiteral("Ready");

// A status label's text is also its accessible name, so that assistive technology reads the
// text and is told each time it changes.
void showText(QLabel* label, const QString& text) {
    label->setText(text);
    label->setAccessibleName(text);
}

} // namespace

void CMainFrame::createStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setAccessibleName(QStringLiteral("Status bar"));
    // The message ("Ready", a command's tip) and the run's "n of N" are labels named by their
    // text rather than painted text, so that assistive technology reads them.
    statusMessage_ = new QLabel(bar);
    statusMessage_->setObjectName(QStringLiteral("StatusMessage"));
    showText(statusMessage_, kReady);
    bar->addWidget(statusMessage_, 1);
    progressLabel_ = new QLabel(bar);
    progressLabel_->setObjectName(QStringLiteral("RunProgress"));
    progressBar_ = new QProgressBar(bar);
    progressBar_->setAccessibleName(QStringLiteral("Progress"));
    progressBar_->setMaximumWidth(200);
    progressBar_->setTextVisible(false);
    bar->addPermanentWidget(progressLabel_);
    bar->addPermanentWidget(progressBar_);
    progressLabel_->hide();
    progressBar_->hide();
}

bool CMainFrame::event(QEvent* event) {
    // A command's tip, shown while the pointer is over its menu entry or button, goes to the
    // message label; "Ready" comes back when the tip goes away.
    if (event->type() == QEvent::StatusTip && statusMessage_ != nullptr) {
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        showText(statusMessage_, tip.isEmpty() ? kReady : tip);
        return true;
    }
    return QMainWindow::event(event);
}

void CMainFrame::onFolderGone(const QString& path) {
    // The tree has already moved to the nearest folder that exists, and the browser follows;
    // say why, so that the change is not a silent one.
    showText(statusMessage_, QStringLiteral("The folder %1 no longer exists.").arg(path));
}

void CMainFrame::startRun() {
    run_->start();
    updateCommandStates();
}

void CMainFrame::onRunStarted(int total) {
    progressBar_->setRange(0, std::max(total, 1));
    progressBar_->setValue(0);
    showText(progressLabel_, InteractiveRun::progressText(0, total));
    progressBar_->show();
    progressLabel_->show();
    updateCommandStates();
}

void CMainFrame::onRunProgress(int done, int total) {
    progressBar_->setRange(0, std::max(total, 1));
    progressBar_->setValue(done);
    showText(progressLabel_, InteractiveRun::progressText(done, total));
}

void CMainFrame::onRunFinished() {
    progressBar_->hide();
    // The label keeps what the run did until the next run starts.
    showText(progressLabel_, run_->lastSummary());
    updateCommandStates();
    if (closeAfterRun_)
        close();
}

} // namespace pix
