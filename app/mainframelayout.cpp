// Saving the main window's layout and placement at close, and restoring them before it shows.
#include "app/folderselect.h"
#include "app/mainframe.h"
#include "app/placement.h"
#include "app/rightview.h"
#include "settings/settingstable.h"
#include "shell/tabdockwnd.h"

#include <QDockWidget>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>

namespace pix {

namespace {

// Bumped when the window's bars change, so an older saved layout is not applied to them.
constexpr int kLayoutVersion = 1;
const QSize kFirstRunSize(960, 680);

QList<QRect> availableScreens() {
    QList<QRect> areas;
    if (QScreen* primary = QGuiApplication::primaryScreen())
        areas << primary->availableGeometry();
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen != QGuiApplication::primaryScreen())
            areas << screen->availableGeometry();
    }
    return areas;
}

// Moves a top-level window (the frame, a floating docking window) onto a screen.
void keepOnScreen(QWidget& window, const QSize& fallback) {
    const QRect placed = placeOnScreens(window.geometry(), availableScreens(), fallback);
    if (placed != window.geometry())
        window.setGeometry(placed);
}

} // namespace

void CMainFrame::saveLayout() {
    SettingsStore store;
    store.setBytes(Setting::ControlBarState, saveState(kLayoutVersion));
    store.setBytes(Setting::WindowPlacement, saveGeometry());
    store.setBytes(Setting::SplitterState, right_->splitter()->saveState());
    store.setText(Setting::StatusBarShown,
                  statusBar()->isHidden() ? QStringLiteral("0") : QStringLiteral("1"));
    store.setText(Setting::LastFolder, folders_->GetSelectedPath());
}

void CMainFrame::ShowFrame() {
    const SettingsStore store;
    // A damaged or foreign value is refused as a whole and leaves the first-run layout.
    restoreState(store.bytes(Setting::ControlBarState), kLayoutVersion);
    if (!restoreGeometry(store.bytes(Setting::WindowPlacement)))
        setGeometry(firstPlacement(availableScreens(), kFirstRunSize));
    placeOnScreen();
    // What the person arranged: the browser's and the job list's heights, the status bar, and
    // the folder they were in, when it is still there.
    right_->splitter()->restoreState(store.bytes(Setting::SplitterState));
    statusBar()->setVisible(store.text(Setting::StatusBarShown) != QLatin1String("0"));
    show();
    const QString folder = store.text(Setting::LastFolder);
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        selectFolderInTree(*folders_, folder);
}

void CMainFrame::placeOnScreen() {
    if (!isMaximized() && !isFullScreen())
        keepOnScreen(*this, kFirstRunSize);
    for (QDockWidget* dock :
         {static_cast<QDockWidget*>(output_), static_cast<QDockWidget*>(folders_)}) {
        if (dock->isFloating())
            keepOnScreen(*dock, QSize(250, 200));
    }
}

} // namespace pix
