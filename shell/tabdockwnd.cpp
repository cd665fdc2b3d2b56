#include "shell/tabdockwnd.h"

#include "shell/childview.h"
#include "shell/shellimagelist.h"

#include <QTabWidget>

namespace pix {

CTabDockWnd::CTabDockWnd(QWidget* parent)
    : QDockWidget(QStringLiteral("Folders"), parent), tabs_(new QTabWidget(this)),
      tree_(new CChildView(tabs_)) {
    setObjectName(QStringLiteral("Folders"));
    setAccessibleName(QStringLiteral("Folders"));
    tree_->setObjectName(QStringLiteral("FolderTree"));
    tree_->setAccessibleName(QStringLiteral("My Computer"));
    tree_->UseSystemImageList();
    tree_->InitRoot();
    tabs_->addTab(tree_, ComputerIcon(style()), QStringLiteral("My Computer"));
    tabs_->setAccessibleName(QStringLiteral("Folders"));
    setWidget(tabs_);
    tree_->logic().SetGoneHandler([this](const QString& path) { emit folderGone(path); });
    connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
        if (current)
            OnSelChanged();
    });
    if (QTreeWidgetItem* desktop = tree_->topLevelItem(0))
        tree_->expandItem(desktop);
}

void CTabDockWnd::OnSelChanged() {
    // Queued, so that listeners run after the tree has finished its own selection handling.
    QMetaObject::invokeMethod(this, &CTabDockWnd::folderChanged, Qt::QueuedConnection);
}

bool CTabDockWnd::RefreshSelected() {
    return tree_->logic().RefreshSelected();
}

QString CTabDockWnd::GetSelectedPath() const {
    return tree_->SelectedFolderPath();
}

} // namespace pix
