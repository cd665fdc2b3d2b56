#include "shell/shelltreectrl.h"

#include "shell/shellimagelist.h"

namespace pix {

CShellTreeCtrl::CShellTreeCtrl(QWidget* parent) : CWaitingTreeCtrl(parent), logic_(*this) {
    SetNotify(&logic_);
    logic_.SetFolderWatch(&watcher_);
    watcher_.SetChanged([this](const QStringList& paths) { logic_.FoldersChanged(paths); });
}

CShellTreeCtrl::~CShellTreeCtrl() {
    // The records belong to the logic: free them while it exists.
    watcher_.SetChanged(nullptr);
    DeleteAllItems();
    SetNotify(nullptr);
}

void CShellTreeCtrl::UseSystemImageList() {
    SetImageList(SystemImageList(style()), OverlayImageList(style()));
}

} // namespace pix
