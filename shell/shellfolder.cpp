#include "shell/shellfolder.h"

#include "shell/desktopfolder.h"

namespace pix {

namespace {
ShellFolder* sharedDesktop = nullptr;
} // namespace

ShellFolder* ShellFolder::BindToObject(const ItemIdList*) {
    return nullptr;
}

ShellFolder* AcquireSharedDesktopFolder() {
    if (sharedDesktop)
        sharedDesktop->AddRef();
    else
        sharedDesktop = new DesktopFolder;
    return sharedDesktop;
}

void ReleaseSharedDesktopFolder() {
    if (sharedDesktop && sharedDesktop->Release() == 0)
        sharedDesktop = nullptr;
}

QString DisplayNameOf(ShellFolder* folder, const ItemIdList* relative, uint32_t flags) {
    CShellString name;
    StrRet* record = name.Bind(relative, StrRet::WideString);
    if (!folder->GetDisplayNameOf(relative, flags, record))
        return {};
    return name.ToString();
}

} // namespace pix
