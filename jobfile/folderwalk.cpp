#include "jobfile/folderwalk.h"

#include "jobs/joblist.h"
#include "platform/filesearch.h"

#include <QFileInfo>
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
    void enter(const QString& path) {
        const QFileInfo info(folderOnDisk(path));
        if (!info.isDir())
            return;
        const QString real = info.canonicalFilePath();
        if (real.isEmpty() || seen_.contains(real) || !budget_.take())
            return;
        seen_.insert(real);
        QStringList subfolders;
        if (recursive_)
            subfolders = listFolder(folderOnDisk(path), QStringLiteral("*"), Entry::Folders);
        open_.push_back(OpenFolder{path, std::move(subfolders)});
    }

    bool recursive_;
    FolderBudget& budget_;
    QSet<QString> seen_; // canonical paths of the folders entered
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
