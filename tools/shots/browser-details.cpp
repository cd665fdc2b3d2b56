// Screenshot: the image browser's report view, sorted by size.
#include "browser/common/formatting.h"
#include "browser/view/listimageview.h"
#include "platform/localedateformat.h"
#include "tools/shots/browser-sample.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLocale>
#include <QTemporaryDir>
#include <QTreeView>

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
    pix::ConvertDatePicture(
        pix::userDateTimeFormat(QLocale(QLocale::English, QLocale::UnitedStates)));
    pix::CListImageView view;
    view.setWindowTitle(QStringLiteral("Pixovia"));
    view.resize(640, 330);
    view.show();
    view.FillList(folder);
    view.ToggleView();
    bool sorted = false;
    const bool saved = pix::shots::saveWhenIdle(
        &view,
        [&] {
            if (view.isBusy())
                return false;
            if (!sorted) {
                // Sorted by size, as after a click on its header.
                sorted = true;
                emit view.reportView()->header()->sectionClicked(pix::kBrowserSize);
                view.selectionModel()->select(view.model()->index(2, 0),
                                              QItemSelectionModel::Select |
                                                  QItemSelectionModel::Rows);
            }
            return true;
        },
        QString::fromLocal8Bit(argv[1]), QStringLiteral("browser-details"));
    return saved ? 0 : 1;
}
