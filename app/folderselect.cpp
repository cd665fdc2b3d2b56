#include "app/folderselect.h"

#include "shell/childview.h"
#include "shell/tabdockwnd.h"

#include <QCoreApplication>
#include <QDir>
#include <QTreeWidgetItem>

namespace pix {

namespace {

// True when the item's path is the folder or one of its ancestors.
bool leadsTo(const QString& path, const QString& folder) {
    if (path.isEmpty())
        return false;
    const QString prefix = path.endsWith(u'/') ? path : path + u'/';
    return folder == path || folder.startsWith(prefix);
}

} // namespace

bool selectFolderInTree(CTabDockWnd& tab, const QString& folder) {
    const QString wanted = QDir::cleanPath(folder);
    CChildView* tree = tab.tree();
    QTreeWidgetItem* item = tree->topLevelItem(0);
    while (item != nullptr) {
        if (tree->ItemPath(item) == wanted) {
            tree->setCurrentItem(item);
            tree->scrollToItem(item);
            return true;
        }
        // Expanding fills the item's children on first opening.
        tree->expandItem(item);
        QCoreApplication::processEvents();
        // The deepest child on the way: "Home" before "/" for a folder in the home folder.
        QTreeWidgetItem* next = nullptr;
        int nextLength = -1;
        for (int i = 0; i < item->childCount(); ++i) {
            const QString path = tree->ItemPath(item->child(i));
            if (leadsTo(path, wanted) && path.size() > nextLength) {
                next = item->child(i);
                nextLength = int(path.size());
            }
        }
        item = next;
    }
    return false;
}

} // namespace pix
