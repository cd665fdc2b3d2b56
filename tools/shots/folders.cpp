// Screenshot of the "Folders" docking window opened on a real folder: a home folder with
// pictures sorted into sub-folders (one of them reached through a symbolic link), opened down
// to "Holidays 2024", which is selected.
// Usage: shot_folders OUTPUT_FOLDER  (writes folders.png)
#include "shell/childview.h"
#include "shell/tabdockwnd.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

namespace {

QTreeWidgetItem* child(QTreeWidgetItem* parent, const QString& label) {
    for (int i = 0; parent && i < parent->childCount(); ++i) {
        if (parent->child(i)->text(0) == label)
            return parent->child(i);
    }
    return nullptr;
}

void makeHome(const QString& home) {
    QDir root(home);
    for (const char* folder :
         {"Documents", "Downloads", "Music", "Videos", "Pictures/Family/Birthdays",
          "Pictures/Holidays 2024/Beach", "Pictures/Holidays 2024/Mountains",
          "Pictures/Holidays 2024/Old Town", "Pictures/Scans", "Pictures/Wallpapers",
          "Pictures/.thumbnails", ".config"})
        root.mkpath(folder);
    QFile::link(root.filePath("Pictures/Holidays 2024"), root.filePath("Pictures/Latest trip"));
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // What a desktop session sets; under a bare X server the theme is otherwise empty.
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == "hicolor")
        QIcon::setThemeName("Adwaita");
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    QTemporaryDir home;
    makeHome(home.path());
    qputenv("HOME", QFile::encodeName(home.path()));

    QMainWindow window;
    auto* dock = new pix::CTabDockWnd(&window);
    dock->setFeatures(QDockWidget::NoDockWidgetFeatures);
    window.addDockWidget(Qt::LeftDockWidgetArea, dock);
    window.resize(300, 460);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;

    pix::CChildView* tree = dock->tree();
    QTreeWidgetItem* homeItem = child(tree->topLevelItem(0), "Home");
    tree->expandItem(homeItem);
    QTreeWidgetItem* pictures = child(homeItem, "Pictures");
    tree->expandItem(pictures);
    QTreeWidgetItem* holidays = child(pictures, "Holidays 2024");
    tree->expandItem(holidays);
    if (!holidays)
        return 1;
    tree->setFocus();
    tree->setCurrentItem(holidays);
    QTest::qWait(300);

    const QString path = QDir(QString::fromLocal8Bit(argv[1])).filePath("folders.png");
    if (!window.grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    return 0;
}
