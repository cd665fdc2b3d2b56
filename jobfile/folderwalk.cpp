#include "jobfile/folderwalk.h"

#include "platform/filesearch.h"

#include <QSet>
#include <QStringList>
#include <vector>

namespace pix {

namespace {

struct OpenFolder {
    QString path;
    QStringList subfolders; // names, in name order
    qsizetype next = 0;     // the next subfolder to enter
};

class FolderWalk {
public:
    FolderWalk(bool recursive, FolderBudget& budget) : recursive_(recursive), budget_(budget) {}

    void run(const QString& root, const std::function<void(const QString&)>& visit) {
        enter(root);
        while (!open_.empty()) {
            OpenFolder& top = open_.back();
            if (top.next < top.subfolders.size()) {
                const QString sub = joinPath(top.path, top.subfolders[top.next++]);
                enter(sub); // may move top; it is not used again
                continue;
            }
            const QString done = std::move(top.path);
            open_.pop_back();
            visit(done);
        }
    }

private:
    // Opens a folder seen for the first time, listing its subfolders when the walk descends.
    // Subfolders that are symbolic links are not entered (as find and rsync do), so a walk
    // stays in its tree; a folder met twice (a bind mount) is entered once. Each folder costs
    // the same whatever its depth: it is known by its identity, not by its resolved path.
    void enter(const QString& path) {
        const std::optional<FolderIdentity> identity = folderIdentity(folderOnDisk(path));
        if (!identity || seen_.contains(*identity) || !budget_.take())
            return;
        seen_.insert(*identity);
        QStringList subfolders;
        if (recursive_)
            subfolders = listFolder(folderOnDisk(path), QStringLiteral("*"),
                                    Entry::Folders | Entry::NoLinks);
        open_.push_back(OpenFolder{path, std::move(subfolders)});
    }

    bool recursive_;
    FolderBudget& budget_;
    QSet<FolderIdentity> seen_; // the folders entered
    std::vector<OpenFolder> open_;
};

} // namespace

bool FolderBudget::take() {
    if (left_ < 0)
        return true;
    if (left_ == 0)
        return false;
    --left_;
    return true;
}

QString folderOnDisk(const QString& folder) {
    return folder.isEmpty() ? QStringLiteral(".") : folder;
}

void walkFolders(const QString& root, bool recursive, FolderBudget& budget,
                 const std::function<void(const QString&)>& visit) {
    FolderWalk(recursive, budget).run(root, visit);
}

} // namespace pix
