#include "shell/desktopfolder.h"

#include "platform/filesearch.h"
#include "shell/filesystemfolder.h"
#include "shell/itemid.h"
#include "shell/mounts.h"

#include <QDir>
#include <QFile>
#include <cstring>

namespace pix {

namespace {

void appendPlace(std::vector<CShellPidl>& places, ItemKind kind, const QString& path,
                 const QString& name, uint8_t extraFlags) {
    const QByteArray encoded = QFile::encodeName(path);
    const auto flags = FolderFlagsOf(encoded);
    if (!flags)
        return; // not a folder now
    if (ItemIdList* id = MakePlaceId(kind, encoded, name, *flags | extraFlags))
        places.emplace_back(id);
}

// A wide copy of text from SharedMalloc, as a type-0 name carries it.
char16_t* sharedWideString(const QString& text) {
    MallocScope malloc;
    const std::size_t bytes = (std::size_t(text.size()) + 1) * sizeof(char16_t);
    auto* copy = static_cast<char16_t*>(malloc->Alloc(bytes));
    if (copy)
        std::memcpy(copy, text.utf16(), bytes);
    return copy;
}

} // namespace

ShellFolder* DesktopFolder::BindToObject(const ItemIdList* absolute) {
    const QString path = IdListPath(absolute);
    if (path.isEmpty() || !FolderFlagsOf(QFile::encodeName(path)))
        return nullptr;
    return new FileSystemFolder(path);
}

IdEnumerator* DesktopFolder::EnumObjects(uint32_t flags) {
    if (!(flags & kEnumFolders))
        return nullptr;
    std::vector<CShellPidl> places;
    // The home folder always has sub-folders worth opening for; media may be mounted later.
    appendPlace(places, ItemKind::Home, QDir::homePath(), kHomeName, kItemHasSubfolders);
    appendPlace(places, ItemKind::Root, "/", kRootName, kItemHasSubfolders);
    for (const MountedMedium& medium : RemovableMedia())
        appendPlace(places, ItemKind::Media, medium.rootPath, medium.displayName,
                    kItemHasSubfolders);
    return new ListEnumerator(std::move(places));
}

bool DesktopFolder::GetDisplayNameOf(const ItemIdList* relative, uint32_t, StrRet* name) {
    QString text;
    if (relative && IdCount(relative) == 0)
        text = kDesktopName;
    else
        text = ItemIdPlaceName(relative);
    if (text.isEmpty())
        return false;
    name->uType = StrRet::WideString;
    name->pOleStr = sharedWideString(text);
    return name->pOleStr != nullptr;
}

uint32_t DesktopFolder::GetAttributesOf(const ItemIdList* relative, uint32_t mask) {
    uint32_t attributes = 0;
    if (relative && IdCount(relative) == 0) {
        attributes = kAttrFolder | kAttrHasSubfolder;
    } else if (ItemKind kind = ItemIdKind(relative); kind != ItemKind::None) {
        const uint8_t flags = ItemIdFlags(relative);
        attributes = kAttrFolder;
        if (flags & kItemHasSubfolders)
            attributes |= kAttrHasSubfolder;
        if (flags & kItemLink)
            attributes |= kAttrLink;
        if (kind == ItemKind::Media)
            attributes |= kAttrRemovable;
    }
    return attributes & mask;
}

int DesktopFolder::CompareIDs(const ItemIdList* a, const ItemIdList* b) {
    // Home first, then the root, then media by name.
    const int kindA = int(ItemIdKind(a));
    const int kindB = int(ItemIdKind(b));
    if (kindA != kindB)
        return kindA < kindB ? -1 : 1;
    const QString nameA = ItemIdPlaceName(a);
    const QString nameB = ItemIdPlaceName(b);
    return nameLess(nameA, nameB) ? -1 : nameLess(nameB, nameA) ? 1 : 0;
}

} // namespace pix
