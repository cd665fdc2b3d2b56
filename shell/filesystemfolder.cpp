#include "shell/filesystemfolder.h"

#include "platform/filesearch.h"
#include "shell/itemid.h"
#include "shell/mounts.h"

#include <QFile>
#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace pix {

namespace {

// On the usual local file systems a folder's link count is 2 plus its number of sub-folders,
// so 2 means none. Other counts (1 on file systems that do not keep them) say nothing.
uint8_t subfolderFlag(const struct stat& folder, bool trustLinkCounts) {
    return !trustLinkCounts || folder.st_nlink != 2 ? kItemHasSubfolders : 0;
}

struct Child {
    QByteArray name;
    QString displayName;
    QString sortKey; // the display name case-folded, compared once per pair instead of per letter
    uint8_t flags;
};

// The child's flags when it is a folder or a link to one; nothing for files, broken links,
// link loops and entries that vanished.
std::optional<uint8_t> classify(int folderFd, const dirent& entry, bool trustLinkCounts) {
    struct stat info {};
    unsigned char type = entry.d_type;
    if (type == DT_UNKNOWN) {
        if (fstatat(folderFd, entry.d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            return std::nullopt;
        type = S_ISLNK(info.st_mode) ? DT_LNK : S_ISDIR(info.st_mode) ? DT_DIR : DT_REG;
    }
    if (type != DT_DIR && type != DT_LNK)
        return std::nullopt;
    if (fstatat(folderFd, entry.d_name, &info, 0) != 0 || !S_ISDIR(info.st_mode))
        return std::nullopt;
    return uint8_t(subfolderFlag(info, trustLinkCounts) | (type == DT_LNK ? kItemLink : 0));
}

std::vector<Child> listChildren(DIR* folder, bool trustLinkCounts) {
    std::vector<Child> children;
    const int fd = dirfd(folder);
    while (const dirent* entry = readdir(folder)) {
        if (entry->d_name[0] == '.') // hidden, "." and ".."
            continue;
        if (const auto flags = classify(fd, *entry, trustLinkCounts)) {
            const QByteArray name(entry->d_name);
            QString display = QFile::decodeName(name);
            QString key = display.toCaseFolded();
            children.push_back({name, std::move(display), std::move(key), *flags});
        }
    }
    // The name order of nameLess: case-folded first, ties broken by the exact name.
    std::sort(children.begin(), children.end(), [](const Child& a, const Child& b) {
        const int folded = QString::compare(a.sortKey, b.sortKey, Qt::CaseSensitive);
        return folded != 0 ? folded < 0 : a.displayName < b.displayName;
    });
    return children;
}

QString displayName(const ItemIdList* id) {
    return QFile::decodeName(ItemIdName(id));
}

} // namespace

FileSystemFolder::FileSystemFolder(const QString& path)
    : FileSystemFolder(path, IsFixedLocation(path)) {}

FileSystemFolder::FileSystemFolder(const QString& path, bool trustLinkCounts)
    : path_(QFile::encodeName(path)), trustLinkCounts_(trustLinkCounts) {}

IdEnumerator* FileSystemFolder::EnumObjects(uint32_t flags) {
    if (!(flags & kEnumFolders))
        return nullptr;
    DIR* folder = opendir(path_.constData());
    if (!folder)
        return nullptr; // unreadable or gone
    const std::vector<Child> children = listChildren(folder, trustLinkCounts_);
    closedir(folder);
    std::vector<CShellPidl> ids;
    ids.reserve(children.size());
    for (const Child& child : children) {
        if (ItemIdList* id = MakeFolderId(child.name, child.flags))
            ids.emplace_back(id);
    }
    return new ListEnumerator(std::move(ids));
}

bool FileSystemFolder::GetDisplayNameOf(const ItemIdList* relative, uint32_t, StrRet* name) {
    if (ItemIdName(relative).isEmpty())
        return false;
    // The name is inside the identifier: answer where, as the holder keeps a copy of it.
    name->uType = StrRet::Offset;
    name->uOffset = kItemNameOffset;
    return true;
}

uint32_t FileSystemFolder::GetAttributesOf(const ItemIdList* relative, uint32_t mask) {
    if (ItemIdKind(relative) != ItemKind::Folder)
        return 0;
    const uint8_t flags = ItemIdFlags(relative);
    uint32_t attributes = kAttrFolder;
    if (flags & kItemHasSubfolders)
        attributes |= kAttrHasSubfolder;
    if (flags & kItemLink)
        attributes |= kAttrLink;
    return attributes & mask;
}

int FileSystemFolder::CompareIDs(const ItemIdList* a, const ItemIdList* b) {
    const QString nameA = displayName(a);
    const QString nameB = displayName(b);
    return nameLess(nameA, nameB) ? -1 : nameLess(nameB, nameA) ? 1 : 0;
}

ItemIdList* ListEnumerator::Next() {
    if (next_ >= ids_.size())
        return nullptr;
    return ids_[next_++].release();
}

std::optional<uint8_t> FolderFlagsOf(const QByteArray& path) {
    struct stat info {};
    if (path.isEmpty() || stat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return std::nullopt;
    struct stat link {};
    const bool isLink = lstat(path.constData(), &link) == 0 && S_ISLNK(link.st_mode);
    return uint8_t(subfolderFlag(info, true) | (isLink ? kItemLink : 0));
}

} // namespace pix
