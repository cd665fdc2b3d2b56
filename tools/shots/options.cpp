// Screenshot of the "Options" dialog with the extension filter of a first run plus one pattern.
// Usage: shot_options OUTPUT_FOLDER  (writes options.png)
#include "settings/dlgoptions.h"

#include <QApplication>
#include <QDir>
#include <QTest>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    pix::CDlgOptions dialog({"*.bmp", "*.gif", "*.jpg", "*.png", "*.ico", "*.wmf", "*.tif"});
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog))
        return 1;
    QTest::qWait(200);
    const QString path = QDir(QString::fromLocal8Bit(argv[1])).filePath("options.png");
    if (!dialog.grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    return 0;
}
