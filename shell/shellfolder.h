// The namespace the folder tree shows: folders that answer questions about their children by
// relative identifier, and enumerators of children. The desktop (the empty list) is the root;
// its children are the user's home folder, the file-system root and mounted removable media;
// below them are the sub-folders on disk. Folders only: no files, no hidden (dot) folders.
#pragma once

#include "shell/idlist.h"
#include "shell/shellobject.h"
#include "shell/shellpidl.h"

namespace pix {

/// Attributes a folder reports of a child (the Shell's SFGAO values).
enum ShellAttribute : uint32_t {
    kAttrLink = 0x00010000,        // a shortcut: here a symbolic link
    kAttrShare = 0x00020000,       // shared with others (never reported here)
    kAttrGhosted = 0x00008000,     // shown dimmed (never reported: hidden folders are left out)
    kAttrFolder = 0x20000000,      // a folder
    kAttrRemovable = 0x02000000,   // on removable media
    kAttrHasSubfolder = 0x80000000 // may hold sub-folders
};

/// What an enumeration lists (the Shell's SHCONTF values); only folders are ever listed.
inline constexpr uint32_t kEnumFolders = 0x20;

/// Naming flags of GetDisplayNameOf: the name within the folder, non-file-system items too.
inline constexpr uint32_t kNameInFolder = 0x2001;

/// Hands out a folder's children one at a time, as one-identifier lists from SharedMalloc that
/// the caller frees.
class IdEnumerator : public ShellObject {
public:
    /// The next child, or null when none is left.
    virtual ItemIdList* Next() = 0;
};

class ShellFolder : public ShellObject {
public:
    /// The folder an absolute list names, with a reference for the caller; null when the list
    /// names no folder that exists now. Only the desktop binds.
    virtual ShellFolder* BindToObject(const ItemIdList* absolute);
    /// An enumerator of the children, in the folder's own order, or null when the folder cannot
    /// be read.
    virtual IdEnumerator* EnumObjects(uint32_t flags) = 0;
    /// Fills name (bound by CShellString) with the child's display name; false when it has none.
    virtual bool GetDisplayNameOf(const ItemIdList* relative, uint32_t flags, StrRet* name) = 0;
    /// The attributes of mask that the child has.
    virtual uint32_t GetAttributesOf(const ItemIdList* relative, uint32_t mask) = 0;
    /// Negative, 0 or positive as a sorts before, with or after b in this folder's order.
    virtual int CompareIDs(const ItemIdList* a, const ItemIdList* b) = 0;
};

/// The process-wide desktop folder, under the same acquire and release rule as SharedMalloc.
ShellFolder* AcquireSharedDesktopFolder();
void ReleaseSharedDesktopFolder();

/// Reads a child's display name as the tree does: bound to a CShellString, empty on failure.
QString DisplayNameOf(ShellFolder* folder, const ItemIdList* relative, uint32_t flags);

} // namespace pix
