// The main window: menus, toolbar and status bar, the docking windows "Folders" and "Output",
// and the image browser above the job list as its client. It routes the commands (active
// pane, then the frame, then the application), runs "Start" without blocking, and saves its
// layout and placement at close.
#pragma once

#include "app/commandrouter.h"
#include "app/interactiverun.h"
#include "app/messageboxprompt.h"
#include "app/outputbar.h"
#include "app/replacequestion.h"
#include "app/rightview.h"
#include "shell/tabdockwnd.h"

#include <QMainWindow>
#include <map>

class QLabel;
class QProgressBar;
class QToolBar;

namespace pix {

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    // prompt and question: how the frame asks (message boxes when none is given).
    explicit CMainFrame(UserPrompt* prompt = nullptr, ReplaceQuestion* question = nullptr,
                        QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Services to the other windows.
    void AddOutputLine(const QString& text, const std::optional<QString>& path = std::nullopt);
    CListImageView* GetImageBrowser() const;
    CTabDockWnd* GetFoldersTab() const { return folders_; }
    // Restores the saved layout and placement, keeps the window on a screen and shows it.
    void ShowFrame();
    // Writes the layout and placement to the settings store (done at every close).
    void saveLayout();

    JobList& jobList() { return list_; }
    CRightView* rightView() const { return right_; }
    CVantrelView* jobListView() const { return right_->jobList(); }
    COutputBar* outputBar() const { return output_; }
    QToolBar* toolBar() const { return toolbar_; }
    InteractiveRun& run() { return *run_; }
    const CommandRouter& router() const { return router_; }
    const CommandTarget& browserTarget() const { return browserTarget_; }
    const CommandTarget& jobListTarget() const { return jobListView()->commands().target(); }
    // The frame's action for a command (the one menus and toolbar share); none if absent.
    QAction* action(CommandId id) const;
    QLabel* statusMessage() const { return statusMessage_; }
    QLabel* progressLabel() const { return progressLabel_; }
    QProgressBar* progressBar() const { return progressBar_; }

    // Makes a pane the one commands go to first, as focusing it does.
    void activatePane(const CommandTarget* pane);
    // Enables and disables every action as the router answers.
    void updateCommandStates();

    // Replaces how the frame opens URLs (the guide, pictures, folders); tests record them.
    void setUrlOpener(std::function<bool(const QUrl&)> open) { openUrl_ = std::move(open); }
    // Replaces the program's folder, where "Help Topics" looks for the help files, and how it
    // asks whether the desktop opens a type (desktopHandles); tests use their own.
    void setHelpSource(QString programDir, std::function<bool(const QString&)> handles) {
        helpFolder_ = std::move(programDir);
        desktopHandles_ = std::move(handles);
    }

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    JobListCommands::Hooks jobListHooks();
    void createActions();
    void createMenus();
    void createToolBar();
    void createStatusBar();
    void createDocks();
    void addFrameHandlers();
    void addBrowserHandlers();
    void watchState();
    void onFocusChanged(QWidget* now);

    void onOptions();
    void onHelpTopics();
    void onAbout();
    void startRun();
    void onRunStarted(int total);
    void onRunProgress(int done, int total);
    void onRunFinished();
    void onFolderGone(const QString& path);
    void placeOnScreen();

    MessageBoxPrompt ownPrompt_;
    MessageBoxReplaceQuestion ownQuestion_;
    UserPrompt* prompt_;
    ReplaceQuestion* question_;
    JobList list_;
    std::function<bool(const QUrl&)> openUrl_;
    QString helpFolder_;
    std::function<bool(const QString&)> desktopHandles_;

    CRightView* right_ = nullptr;
    COutputBar* output_ = nullptr;
    CTabDockWnd* folders_ = nullptr;
    QToolBar* toolbar_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QLabel* statusMessage_ = nullptr;
    QLabel* progressLabel_ = nullptr;
    InteractiveRun* run_ = nullptr;
    bool closeAfterRun_ = false;
    QMetaObject::Connection focusWatch_;

    CommandRouter router_;
    CommandTarget frameTarget_;
    CommandTarget applicationTarget_;
    CommandTarget browserTarget_;
    std::map<CommandId, QAction*> actions_;
};

} // namespace pix
