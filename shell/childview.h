// The folder tree of the Folders tab: the shell folder tree with both wait effects.
#pragma once

#include "shell/progressfx.h"
#include "shell/shelltreectrl.h"

namespace pix {

class CChildView : public CHourglassFX<CProgressFX<CShellTreeCtrl>> {
public:
    explicit CChildView(QWidget* parent = nullptr);
};

} // namespace pix
