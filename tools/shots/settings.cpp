// Screenshot of the "Settings" dialog opened on a picture's item with every group in use.
// Usage: shot_settings OUTPUT_FOLDER  (writes settings.png)
#include "settings/dlgsettings.h"

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
    // The dialog reads no file: the item is all it needs.
    pix::JobItem item;
    item.source.fileName = "harbour.jpg";
    item.source.folder = "/home/anna/Pictures";
    item.source.width = 1600;
    item.source.height = 1200;
    item.output.folder = "/home/anna/Pictures/Converted";
    item.output.width = 1024;
    item.output.height = 768;
    item.output.formatCode = pix::kFormatJpg;
    item.output.quality = 85;
    item.output.rotate = 90;
    item.output.prefix = "Harbour";
    item.output.startNumber = 1;

    // A preset kept earlier, in the fresh settings folder the shots run with.
    pix::PresetStore presets;
    presets.save({QStringLiteral("Web"),
                  {{QStringLiteral("outputformat"), QStringLiteral("jpg")},
                   {QStringLiteral("resize"), QStringLiteral("long")},
                   {QStringLiteral("size"), QStringLiteral("1600")}}});
    pix::CDlgSettings dialog(&item, nullptr, nullptr, &presets);
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog))
        return 1;
    QTest::qWait(200);
    const QString path = QDir(QString::fromLocal8Bit(argv[1])).filePath("settings.png");
    if (!dialog.grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    return 0;
}
