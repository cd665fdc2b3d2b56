#include "shell/shelltreectrl.h"

#include "shell/shellimagelist.h"

namespace pix {

CShellTreeCtrl::CShellTreeCtrl(QWidget* parent) : CWaitingTreeCtrl(parent), logic_(*this) {
    SetNotify(&logic_);
}

CShellTreeCtrl::~CShellTreeCtrl() {
    // The records belong to the logic: free them while it exists.
    DeleteAllItems();
    SetNotify(nullptr);
}

void CShellTreeCtrl::UseSystemImageList() {
    SetImageList(SystemImageList(style()), OverlayImageList(style()));
}

} // namespace pix
