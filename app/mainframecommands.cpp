// The main window's commands: the frame's and the application's handlers, the browser pane's,
// the shared actions of menus and toolbar, and keeping their enabled states current.
#include "app/commandactions.h"
#include "app/help.h"
#include "app/mainframe.h"

#include <QAction>
#include <QApplication>
#include <QItemSelectionModel>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

namespace pix {

namespace {

bool isInside(const QWidget* widget, const QWidget* pane) {
    return widget && pane && (widget == pane || pane->isAncestorOf(widget));
}

} // namespace

void CMainFrame::addFrameHandlers() {
    frameTarget_.add(CommandId::Options, {nullptr, [this] { onOptions(); }});
    frameTarget_.add(CommandId::HelpTopics, {nullptr, [this] { onHelpTopics(); }});
    frameTarget_.add(CommandId::Refresh, {nullptr, [this] {
                                              // The tree reads the selected folder again first;
                                              // when it was gone, the new selection fills the
                                              // browser.
                                              if (folders_->RefreshSelected())
                                                  return;
                                              if (CListImageView* browser = GetImageBrowser())
                                                  browser->FillList();
                                          }});
    frameTarget_.add(CommandId::ChangeView, {nullptr, [this] {
                                                 if (CListImageView* browser = GetImageBrowser())
                                                     browser->ToggleView();
                                             }});
    // Stop is the frame's, so it reaches the run whichever pane was used last.
    frameTarget_.add(CommandId::Stop,
                     {[this] { return run_->isRunning(); }, [this] { run_->stop(); }});
    frameTarget_.add(CommandId::Toolbar,
                     {nullptr, [this] { toolbar_->setVisible(!toolbar_->isVisible()); }});
    frameTarget_.add(CommandId::StatusBar,
                     {nullptr, [this] { statusBar()->setVisible(!statusBar()->isVisible()); }});
    applicationTarget_.add(CommandId::About, {nullptr, [this] { onAbout(); }});
    applicationTarget_.add(CommandId::Exit, {nullptr, [this] { close(); }});
}

// The browser's commands, through the actions it keeps enabled itself.
void CMainFrame::addBrowserHandlers() {
    CListImageView* browser = right_->browser();
    const auto through = [](QAction* action) {
        return CommandTarget::Handler{[action] { return action->isEnabled(); },
                                      [action] { action->trigger(); }};
    };
    CommandTarget::Handler add = through(browser->addToListAction());
    add.enabled = [this, action = browser->addToListAction()] {
        return action->isEnabled() && !list_.isLocked();
    };
    browserTarget_.add(CommandId::AddImage, add);
    browserTarget_.add(CommandId::View, through(browser->viewAction()));
    browserTarget_.add(CommandId::SelectAll, through(browser->selectAllAction()));
    for (QAction* action :
         {browser->addToListAction(), browser->viewAction(), browser->selectAllAction()})
        connect(action, &QAction::changed, this, &CMainFrame::updateCommandStates);
}

void CMainFrame::onHelpTopics() {
    const HelpOutcome outcome = OpenHelpTopics(helpFolder_, desktopHandles_, openUrl_);
    if (!outcome.opened)
        prompt_->showMessage(HelpFailureMessage(outcome, helpFolder_), QStringLiteral("Pixovia"),
                             MessageIcon::Exclamation);
}

void CMainFrame::createActions() {
    for (const CommandInfo& info : commandTable()) {
        QAction* action = makeCommandAction(info.id, this);
        connect(action, &QAction::triggered, this, [this, id = info.id] {
            router_.execute(id);
            updateCommandStates();
        });
        actions_[info.id] = action;
    }
    action(CommandId::Stop)->setShortcut(QKeySequence(Qt::Key_Escape));
    action(CommandId::Stop)->setShortcutContext(Qt::WindowShortcut);
    // Ctrl+Return starts a run from anywhere in the window (F5 is Refresh in many programs);
    // the menu shows the first of the two keys.
    action(CommandId::Start)
        ->setShortcuts(
            {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    action(CommandId::HelpTopics)->setShortcut(QKeySequence::HelpContents);
    action(CommandId::Exit)->setShortcut(QKeySequence::Quit);
    action(CommandId::Toolbar)->setCheckable(true);
    action(CommandId::StatusBar)->setCheckable(true);
    // Shortcuts work without the toolbar being visible.
    addAction(action(CommandId::Stop));
}

void CMainFrame::createMenus() {
    struct MenuDef {
        const char* title;
        CommandList entries;
    };
    const MenuDef menus[] = {{"&File", fileMenu()},
                             {"&Action", actionMenu()},
                             {"&View", viewMenu()},
                             {"&Help", helpMenu()}};
    for (const MenuDef& def : menus) {
        QMenu* menu = menuBar()->addMenu(QString::fromLatin1(def.title));
        menu->setAccessibleName(QString::fromLatin1(def.title).remove(u'&'));
        for (const CommandId id : def.entries) {
            if (id == CommandId::None)
                menu->addSeparator();
            else
                menu->addAction(action(id));
        }
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::updateCommandStates);
        // A docking window closed with its button comes back from the View menu.
        if (def.entries.data() == viewMenu().data()) {
            menu->addSeparator();
            menu->addAction(folders_->toggleViewAction());
            menu->addAction(output_->toggleViewAction());
        }
    }
}

void CMainFrame::createToolBar() {
    toolbar_ = new QToolBar(QStringLiteral("Toolbar"), this);
    toolbar_->setObjectName(QStringLiteral("Toolbar"));
    toolbar_->setAccessibleName(QStringLiteral("Toolbar"));
    for (const CommandId id : toolbarButtons()) {
        if (id == CommandId::None)
            toolbar_->addSeparator();
        else
            toolbar_->addAction(action(id));
    }
    addToolBar(Qt::TopToolBarArea, toolbar_);
}

// Every change that can enable or disable a command updates the actions at once.
void CMainFrame::watchState() {
    CVantrelView* view = right_->jobList();
    connect(&list_, &QAbstractItemModel::rowsInserted, this, &CMainFrame::updateCommandStates);
    connect(&list_, &QAbstractItemModel::rowsRemoved, this, &CMainFrame::updateCommandStates);
    connect(&list_, &QAbstractItemModel::modelReset, this, &CMainFrame::updateCommandStates);
    connect(&list_, &QAbstractItemModel::layoutChanged, this, &CMainFrame::updateCommandStates);
    connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CMainFrame::updateCommandStates);
    focusWatch_ = connect(qApp, &QApplication::focusChanged, this,
                          [this](QWidget*, QWidget* now) { onFocusChanged(now); });
    connect(toolbar_, &QToolBar::visibilityChanged, this, &CMainFrame::updateCommandStates);
    view->setRouter(&router_);
}

void CMainFrame::onFocusChanged(QWidget* now) {
    if (!right_)
        return;
    if (isInside(now, right_->browser()))
        activatePane(&browserTarget_);
    else if (isInside(now, right_->jobList()))
        activatePane(&jobListTarget());
}

void CMainFrame::activatePane(const CommandTarget* pane) {
    router_.setActivePane(pane);
    updateCommandStates();
}

void CMainFrame::updateCommandStates() {
    if (!right_ || !run_)
        return; // being destroyed
    for (const auto& [id, action] : actions_)
        action->setEnabled(router_.isEnabled(id));
    if (toolbar_)
        action(CommandId::Toolbar)->setChecked(!toolbar_->isHidden());
    action(CommandId::StatusBar)->setChecked(!statusBar()->isHidden());
}

} // namespace pix
