// The root of the namespace: its children are the places a person starts from (their home
// folder, the file-system root, mounted removable media), and it binds any absolute list to
// the folder on disk that the list names.
#pragma once

#include "shell/shellfolder.h"

namespace pix {

class DesktopFolder : public ShellFolder {
public:
    ShellFolder* BindToObject(const ItemIdList* absolute) override;
    IdEnumerator* EnumObjects(uint32_t flags) override;
    bool GetDisplayNameOf(const ItemIdList* relative, uint32_t flags, StrRet* name) override;
    uint32_t GetAttributesOf(const ItemIdList* relative, uint32_t mask) override;
    int CompareIDs(const ItemIdList* a, const ItemIdList* b) override;
};

/// Display names of the desktop itself and of its two fixed places.
inline constexpr const char* kDesktopName = "Computer";
inline constexpr const char* kHomeName = "Home";
inline constexpr const char* kRootName = "File System";

} // namespace pix
