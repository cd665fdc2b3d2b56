// Screenshot of the "Settings" dialog's Resize group with "Long edge" chosen, for the guide's
// explanation of the resize modes.
// Usage: shot_settings-resize OUTPUT_FOLDER  (writes settings-resize.png)
#include "settings/dlgsettings.h"

#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QTest>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    // A landscape photograph made no longer than 1600 pixels, never enlarged.
    pix::JobItem item;
    item.source.fileName = "harbour.jpg";
    item.source.folder = "/home/anna/Pictures";
    item.source.width = 4000;
    item.source.height = 3000;
    item.output.folder = "/home/anna/Pictures/Web";
    item.output.width = 1600;
    item.output.height = 1200;
    item.output.resize.mode = pix::ResizeMode::LongEdge;
    item.output.resize.longEdge = 1600;
    item.output.resize.shrinkOnly = true;

    pix::CDlgSettings dialog(&item);
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog))
        return 1;
    QTest::qWait(200);
    QGroupBox* group = nullptr;
    for (QGroupBox* box : dialog.findChildren<QGroupBox*>()) {
        if (box->accessibleName() == QStringLiteral("Resize"))
            group = box;
    }
    const QString path = QDir(QString::fromLocal8Bit(argv[1])).filePath("settings-resize.png");
    if (!group || !group->grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    return 0;
}
