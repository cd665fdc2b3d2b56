// Saving the main window's layout and placement at close, and restoring them before it shows.
#include "app/mainframe.h"
#include "app/placement.h"
#include "settings/settingstable.h"

#include <QDockWidget>
#include <QGuiApplication>
#include <QScreen>

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
}

void CMainFrame::ShowFrame() {
    const SettingsStore store;
    // A damaged or foreign value is refused as a whole and leaves the first-run layout.
    restoreState(store.bytes(Setting::ControlBarState), kLayoutVersion);
    if (!restoreGeometry(store.bytes(Setting::WindowPlacement)))
        setGeometry(firstPlacement(availableScreens(), kFirstRunSize));
    placeOnScreen();
    show();
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
