// "Start" in the main window: the run's progress in the status bar, the window kept usable.
#include "app/mainframe.h"

#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>

namespace pix {

namespace {
const QString kReady = QStringLiteral("Ready");
}

void CMainFrame::createStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setAccessibleName(QStringLiteral("Status bar"));
    progressLabel_ = new QLabel(bar);
    progressLabel_->setAccessibleName(QStringLiteral("Progress"));
    progressBar_ = new QProgressBar(bar);
    progressBar_->setAccessibleName(QStringLiteral("Progress"));
    progressBar_->setMaximumWidth(200);
    progressBar_->setTextVisible(false);
    bar->addPermanentWidget(progressLabel_);
    bar->addPermanentWidget(progressBar_);
    progressLabel_->hide();
    progressBar_->hide();
    // The message pane falls back to "Ready" whenever a command's status text goes away.
    connect(bar, &QStatusBar::messageChanged, this, [bar](const QString& message) {
        if (message.isEmpty())
            bar->showMessage(kReady);
    });
    bar->showMessage(kReady);
}

void CMainFrame::startRun() {
    run_->start();
    updateCommandStates();
}

void CMainFrame::onRunStarted(int total) {
    progressBar_->setRange(0, std::max(total, 1));
    progressBar_->setValue(0);
    progressLabel_->setText(InteractiveRun::progressText(0, total));
    progressBar_->show();
    progressLabel_->show();
    updateCommandStates();
}

void CMainFrame::onRunProgress(int done, int total) {
    progressBar_->setRange(0, std::max(total, 1));
    progressBar_->setValue(done);
    progressLabel_->setText(InteractiveRun::progressText(done, total));
}

void CMainFrame::onRunFinished() {
    progressBar_->hide();
    progressLabel_->hide();
    updateCommandStates();
    if (closeAfterRun_)
        close();
}

} // namespace pix
