#include "app/windowedprogram.h"

#include "app/aboutdlg.h"
#include "app/commandline.h"
#include "app/display.h"
#include "app/mainframe.h"
#include "settings/filtersettings.h"

#include <QApplication>
#include <cstdio>

namespace pix {

int RunWindowedProgram(int& argc, char** argv) {
    // Without a display the window cannot open: the command line's usage says what can run.
    if (!canShowWindows()) {
        std::fputs(kUsageText, stderr);
        return 2;
    }
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Norvance"));
    QCoreApplication::setApplicationName(QStringLiteral("Pixovia"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Pixovia"));
    QGuiApplication::setDesktopFileName(QStringLiteral("pixovia"));
    QGuiApplication::setWindowIcon(applicationIcon());

    LoadFilterSettings();
    int status = 0;
    {
        CMainFrame frame;
        frame.ShowFrame();
        status = QApplication::exec();
    }
    SaveFilterSettings();
    return status;
}

} // namespace pix
