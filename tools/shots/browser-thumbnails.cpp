// Screenshot: the image browser's thumbnail view of a folder of photographs.
#include "browser/common/formatting.h"
#include "browser/view/listimageview.h"
#include "tools/shots/browser-sample.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QListView>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("Holiday 2026"));
    if (!pix::shots::makeSampleFolder(folder))
        return 1;
    pix::SetFilterList(QStringList{QStringLiteral("*.jpg"), QStringLiteral("*.png"),
                                   QStringLiteral("*.gif"), QStringLiteral("*.bmp")});
    pix::CListImageView view;
    view.setWindowTitle(QStringLiteral("Pixovia"));
    view.resize(760, 420);
    view.show();
    view.FillList(folder);
    view.thumbnailView()->setFocus();
    bool selected = false;
    const bool saved = pix::shots::saveWhenIdle(
        &view,
        [&] {
            if (view.isBusy())
                return false;
            if (!selected) {
                selected = true;
                view.selectionModel()->select(view.model()->index(2, 0),
                                              QItemSelectionModel::Select);
            }
            return true;
        },
        QString::fromLocal8Bit(argv[1]), QStringLiteral("browser-thumbnails"));
    return saved ? 0 : 1;
}
