#include "app/mainframe.h"

#include "app/aboutdlg.h"
#include "app/droppedfiles.h"
#include "app/help.h"
#include "browser/common/formatting.h"
#include "platform/localedateformat.h"
#include "settings/dlgoptions.h"
#include "settings/dlgsettings.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>

namespace pix {

CMainFrame::CMainFrame(UserPrompt* prompt, ReplaceQuestion* question, QWidget* parent)
    : QMainWindow(parent), prompt_(prompt ? prompt : &ownPrompt_),
      question_(question ? question : &ownQuestion_), list_(prompt_),
      openUrl_([](const QUrl& url) { return QDesktopServices::openUrl(url); }),
      helpFolder_(QCoreApplication::applicationDirPath()), desktopHandles_(desktopHandles) {
    setObjectName(QStringLiteral("MainFrame"));
    setWindowTitle(QStringLiteral("Pixovia"));
    setWindowIcon(applicationIcon());
    setAccessibleName(QStringLiteral("Pixovia"));
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowNestedDocks |
                   QMainWindow::AllowTabbedDocks);

    // The "Date Modified" column shows times in the user's own date and time formats.
    ConvertDatePicture(userDateTimeFormat());
    list_.setDatePattern(DatePattern());

    right_ = new CRightView(list_, jobListHooks(), this);
    setCentralWidget(right_);
    list_.setQuestionOwner(right_->jobList());
    right_->browser()->setAddFileHandler(
        [this](const ImageInfo* info, const QString* name) { return list_.AddFile(info, name); });
    right_->jobList()->setDropHandler(
        [this](const QStringList& paths) { addDropped(list_, paths, FilterList()); });

    createDocks();
    run_ = new InteractiveRun(list_, *question_, &output_->log(), right_->jobList(), this);
    connect(run_, &InteractiveRun::started, this, &CMainFrame::onRunStarted);
    connect(run_, &InteractiveRun::progress, this, &CMainFrame::onRunProgress);
    connect(run_, &InteractiveRun::finished, this, &CMainFrame::onRunFinished);

    addFrameHandlers();
    addBrowserHandlers();
    router_.setFrame(&frameTarget_);
    router_.setApplication(&applicationTarget_);
    // The job list is the main view: commands go to it until the person works in the browser.
    router_.setActivePane(&jobListTarget());

    createActions();
    createMenus();
    createToolBar();
    createStatusBar();
    watchState();
    updateCommandStates();
}

CMainFrame::~CMainFrame() {
    // The panes give up the focus while the base classes destroy them, when this is no longer
    // a main frame to tell.
    disconnect(focusWatch_);
    // The run and the views use the job list, a member: they go before it does.
    delete run_;
    run_ = nullptr;
    delete right_;
    right_ = nullptr;
}

JobListCommands::Hooks CMainFrame::jobListHooks() {
    JobListCommands::Hooks hooks;
    hooks.openUrl = [this](const QUrl& url) { openUrl_(url); };
    hooks.editSettings = [this](const JobItem* item) -> std::optional<SettingsResult> {
        PresetStore presets; // reads the settings file afresh each time
        CDlgSettings dialog(item, right_->jobList(), prompt_, &presets);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.results();
    };
    hooks.start = [this] { startRun(); };
    hooks.stop = [this] { run_->stop(); };
    return hooks;
}

void CMainFrame::createDocks() {
    output_ = new COutputBar(this);
    output_->log().setReport([this](const QString& message) {
        prompt_->showMessage(message, QStringLiteral("Pixovia"), MessageIcon::Exclamation);
    });
    folders_ = new CTabDockWnd(this);
    // The layout is saved by object names; the Folders tab may not set one of its own.
    if (folders_->objectName().isEmpty())
        folders_->setObjectName(QStringLiteral("FoldersTab"));
    folders_->setAllowedAreas(Qt::AllDockWidgetAreas);
    folders_->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                          QDockWidget::DockWidgetFloatable);
    addDockWidget(Qt::BottomDockWidgetArea, output_);
    addDockWidget(Qt::LeftDockWidgetArea, folders_);
    resizeDocks({folders_}, {200}, Qt::Horizontal);
    resizeDocks({output_}, {output_->heightForLines(5)}, Qt::Vertical);
    connect(folders_, &CTabDockWnd::folderChanged, this, [this] {
        if (CListImageView* browser = GetImageBrowser())
            browser->FillList(folders_->GetSelectedPath());
    });
    connect(folders_, &CTabDockWnd::folderGone, this, &CMainFrame::onFolderGone);
}

void CMainFrame::AddOutputLine(const QString& text, const std::optional<QString>& path) {
    output_->AddLine(text, path);
}

CListImageView* CMainFrame::GetImageBrowser() const {
    return right_ ? right_->browser() : nullptr;
}

QAction* CMainFrame::action(CommandId id) const {
    const auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

void CMainFrame::onOptions() {
    CDlgOptions dialog(FilterList(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    SetFilterList(dialog.filterList());
    if (dialog.filtersChanged()) {
        if (CListImageView* browser = GetImageBrowser())
            browser->FillList();
    }
}

void CMainFrame::onAbout() {
    CAboutDlg about(this);
    about.exec();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    switch (run_->quit(*prompt_, this)) {
    case InteractiveRun::QuitStep::Stay:
        event->ignore();
        return;
    case InteractiveRun::QuitStep::AfterRun:
        // The run ends after the row being written; the window closes then.
        closeAfterRun_ = true;
        event->ignore();
        return;
    case InteractiveRun::QuitStep::Now:
        break;
    }
    saveLayout();
    event->accept();
}

} // namespace pix
