// How long opening a folder with many sub-folders keeps the window busy: makes N sub-folders
// (20 000 by default) in a temporary folder and times the listing alone, then the opening of
// that folder in the Folders tab's tree, shown offscreen.
// Usage: folder_bench [COUNT]
#include "shell/childview.h"
#include "shell/filesystemfolder.h"
#include "shell/tabdockwnd.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

using namespace pix;

namespace {

QTreeWidgetItem* child(QTreeWidgetItem* parent, const QString& label) {
    for (int i = 0; i < parent->childCount(); ++i) {
        if (parent->child(i)->text(0) == label)
            return parent->child(i);
    }
    return nullptr;
}

double listOnce(const QString& path) {
    QElapsedTimer timer;
    timer.start();
    const auto folder = ShellRef<ShellFolder>::Adopt(new FileSystemFolder(path));
    const auto children = ShellRef<IdEnumerator>::Adopt(folder->EnumObjects(kEnumFolders));
    MallocScope malloc;
    while (ItemIdList* id = children->Next())
        malloc->Free(id);
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 20000;
    QTemporaryDir home;
    QDir big(home.filePath("Big"));
    QDir().mkpath(big.path());
    for (int i = 0; i < count; ++i)
        big.mkdir(QStringLiteral("Folder %1").arg(i, 5, 10, QLatin1Char('0')));
    qputenv("HOME", QFile::encodeName(home.path()));

    std::printf("sub-folders: %d\n", count);
    std::printf("listing (namespace layer): %.1f ms\n", listOnce(big.path()));

    CTabDockWnd dock;
    dock.resize(300, 600);
    dock.show();
    QCoreApplication::processEvents();
    CChildView* tree = dock.tree();
    QTreeWidgetItem* homeItem = child(tree->topLevelItem(0), "Home");
    tree->expandItem(homeItem);
    QTreeWidgetItem* bigItem = child(homeItem, "Big");
    tree->setCurrentItem(bigItem);
    QCoreApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    tree->expandItem(bigItem);
    const double opened = timer.nsecsElapsed() / 1e6;
    QCoreApplication::processEvents(); // the first paint of the opened folder
    const double painted = timer.nsecsElapsed() / 1e6;
    std::printf("opening in the tree: %.1f ms (children: %d), first paint after: %.1f ms\n", opened,
                bigItem->childCount(), painted);
    timer.restart();
    tree->collapseItem(bigItem);
    tree->expandItem(bigItem);
    QCoreApplication::processEvents();
    std::printf("closing and opening again: %.1f ms\n", timer.nsecsElapsed() / 1e6);
    return bigItem->childCount() == count ? 0 : 1;
}
