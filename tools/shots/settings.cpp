// Screenshots of the "Settings" dialog: opened on a picture's item with every group in use, and
// its Resize group with "Long edge" chosen, for the guide's explanation of the resize modes.
// Usage: shot_settings OUTPUT_FOLDER  (writes settings.png and settings-resize.png)
#include "settings/dlgsettings.h"

#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QTest>
#include <cstdio>

namespace {

// Shows the dialog on the item and saves the widget of it that `part` picks.
bool shoot(const pix::JobItem& item, pix::PresetStore& presets, const QString& path,
           QWidget* (*part)(QDialog&)) {
    pix::CDlgSettings dialog(&item, nullptr, nullptr, &presets);
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog))
        return false;
    QTest::qWait(200);
    QWidget* shown = part(dialog);
    if (shown && shown->grab().save(path))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

QWidget* wholeDialog(QDialog& dialog) {
    return &dialog;
}

QWidget* resizeGroup(QDialog& dialog) {
    for (QGroupBox* box : dialog.findChildren<QGroupBox*>()) {
        if (box->accessibleName() == QStringLiteral("Resize"))
            return box;
    }
    return nullptr;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    // A preset kept earlier, in the fresh settings folder the shots run with.
    pix::PresetStore presets;
    presets.save({QStringLiteral("Web"),
                  {{QStringLiteral("outputformat"), QStringLiteral("jpg")},
                   {QStringLiteral("resize"), QStringLiteral("long")},
                   {QStringLiteral("size"), QStringLiteral("1600")}}});

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
    if (!shoot(item, presets, out.filePath("settings.png"), wholeDialog))
        return 1;

    // A landscape photograph made no longer than 1600 pixels, never enlarged.
    pix::JobItem web;
    web.source.width = 4000;
    web.source.height = 3000;
    web.output.folder = "/home/anna/Pictures/Web";
    web.output.width = 1600;
    web.output.height = 1200;
    web.output.resize.mode = pix::ResizeMode::LongEdge;
    web.output.resize.longEdge = 1600;
    web.output.resize.shrinkOnly = true;
    return shoot(web, presets, out.filePath("settings-resize.png"), resizeGroup) ? 0 : 1;
}
