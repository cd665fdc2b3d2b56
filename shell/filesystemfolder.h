// A folder on disk: lists its visible sub-folders in name order and answers about them from
// what their identifiers carry, so that the tree never goes back to the disk to draw them.
#pragma once

#include "shell/shellfolder.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

namespace pix {

class FileSystemFolder : public ShellFolder {
public:
    /// trustLinkCounts: whether a folder's link count tells its number of sub-folders; by
    /// default, when the folder lies on a fixed local disk.
    explicit FileSystemFolder(const QString& path);
    FileSystemFolder(const QString& path, bool trustLinkCounts);

    IdEnumerator* EnumObjects(uint32_t flags) override;
    bool GetDisplayNameOf(const ItemIdList* relative, uint32_t flags, StrRet* name) override;
    uint32_t GetAttributesOf(const ItemIdList* relative, uint32_t mask) override;
    int CompareIDs(const ItemIdList* a, const ItemIdList* b) override;

private:
    QByteArray path_;
    bool trustLinkCounts_;
};

/// Hands out identifiers made beforehand, in order.
class ListEnumerator : public IdEnumerator {
public:
    explicit ListEnumerator(std::vector<CShellPidl> ids) : ids_(std::move(ids)) {}
    ItemIdList* Next() override;

private:
    std::vector<CShellPidl> ids_;
    std::size_t next_ = 0;
};

/// The identifier flags of the folder at path (following links), or nothing when path is not a
/// folder now.
std::optional<uint8_t> FolderFlagsOf(const QByteArray& path);

} // namespace pix
