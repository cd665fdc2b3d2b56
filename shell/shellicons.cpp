#include "shell/shellicons.h"

#include "shell/itemid.h"

namespace pix {

ShellIcon ShellIconOf(const ItemIdList* absolute, bool open) {
    if (!absolute || IdCount(absolute) == 0)
        return kIconComputer;
    if (!IdListNext(absolute)) {
        switch (ItemIdKind(absolute)) {
        case ItemKind::Home:
            return kIconHome;
        case ItemKind::Root:
            return kIconRoot;
        case ItemKind::Media:
            return kIconMedia;
        default:
            break;
        }
    }
    return open ? kIconFolderOpen : kIconFolder;
}

} // namespace pix
