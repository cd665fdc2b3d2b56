// What one identifier of this program's namespace holds. After the 16-bit count:
//   byte 2   the kind: a place on the desktop (home, the root, a removable medium) or a folder;
//   byte 3   flags: a symbolic link, may have sub-folders;
//   then     for a folder, its name as stored on disk, NUL-terminated;
//            for a place, its absolute path, NUL-terminated, then its display name (UTF-8),
//            NUL-terminated.
// So an absolute list binds back to its folder by joining the place's path and the names,
// without asking the file system anything. Readers never look past an identifier's count.
#pragma once

#include "shell/idlist.h"

#include <QByteArray>
#include <QString>

namespace pix {

enum class ItemKind : uint8_t { None = 0, Home = 1, Root = 2, Media = 3, Folder = 4 };

enum ItemFlag : uint8_t {
    kItemLink = 0x1,          // a symbolic link to a folder
    kItemHasSubfolders = 0x2, // may hold sub-folders: the tree shows an expand button
};

/// Offset of a folder's name from the start of its identifier.
inline constexpr uint32_t kItemNameOffset = 4;

/// A new one-identifier list (from SharedMalloc) for a folder, or null when the name is empty,
/// holds a NUL or does not fit an identifier.
ItemIdList* MakeFolderId(const QByteArray& name, uint8_t flags);
/// A new one-identifier list for a place on the desktop.
ItemIdList* MakePlaceId(ItemKind kind, const QByteArray& path, const QString& displayName,
                        uint8_t flags);

ItemKind ItemIdKind(const ItemIdList* id);
uint8_t ItemIdFlags(const ItemIdList* id);
/// A folder's name as stored on disk; empty for any other identifier.
QByteArray ItemIdName(const ItemIdList* id);
/// A place's absolute path; empty for any other identifier.
QByteArray ItemIdPath(const ItemIdList* id);
/// A place's display name; empty for any other identifier.
QString ItemIdPlaceName(const ItemIdList* id);

} // namespace pix
