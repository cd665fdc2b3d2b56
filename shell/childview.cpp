#include "shell/childview.h"

namespace pix {

CChildView::CChildView(QWidget* parent) : CHourglassFX(parent) {
    // Right-clicking a folder offers no menu: the request goes on to the parent window.
    setContextMenuPolicy(Qt::DefaultContextMenu);
}

} // namespace pix
