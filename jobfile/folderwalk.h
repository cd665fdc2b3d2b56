// The walk over a folder and its subfolders that a folder entry searches.
#pragma once

#include <QString>
#include <functional>

namespace pix {

// How many more folders one load may search; negative for no limit.
class FolderBudget {
public:
    explicit FolderBudget(int limit) : left_(limit) {}
    bool take();

private:
    int left_;
};

/// The folder as the file system takes it: an empty path is the current folder.
QString folderOnDisk(const QString& folder);

/// Calls visit on root and, when recursive, on every folder below it: each subfolder's whole
/// tree before the folder itself, subfolders in name order. Paths below root are root and the
/// names joined with "/". Subfolders that are symbolic links are not entered; a folder reached a
/// second time (a bind mount) is skipped, so the walk ends on every tree; so are missing folders
/// and those beyond the budget. The root itself may be a link.
/// The walk keeps its own stack, so the depth of the tree costs no call stack.
void walkFolders(const QString& root, bool recursive, FolderBudget& budget,
                 const std::function<void(const QString&)>& visit);

} // namespace pix
