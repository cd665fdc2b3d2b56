#include "shell/folderwatcher.h"

#include <QFileInfo>

namespace pix {

FolderWatcher::FolderWatcher(int delayMs, int limit) : limit_(limit) {
    timer_.setSingleShot(true);
    timer_.setInterval(delayMs);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { Report(); });
    QObject::connect(&watcher_, &QFileSystemWatcher::directoryChanged, &timer_,
                     [this](const QString& folder) { OnFolderChanged(folder); });
}

void FolderWatcher::Watch(const QString& path) {
    if (path.isEmpty())
        return;
    Alias& alias = aliases_[path];
    if (alias.uses++ > 0)
        return;
    alias.folder = QFileInfo(path).canonicalFilePath();
    if (alias.folder.isEmpty())
        return; // gone already: the tree finds out when it reads the parent
    QStringList& paths = pathsOf_[alias.folder];
    paths.append(path);
    if (paths.size() == 1)
        AddFolder(alias.folder);
}

void FolderWatcher::AddFolder(const QString& folder) {
    const bool added = watcher_.directories().size() < limit_ && watcher_.addPath(folder);
    // A folder that cannot be read cannot be watched either; any other refusal is the limit.
    if (!added && !warned_ && QFileInfo(folder).isReadable()) {
        warned_ = true;
        qWarning("pixovia: the folder tree cannot watch more folders (the system's limit is "
                 "reached); Refresh shows what changed in the others.");
    }
}

void FolderWatcher::Unwatch(const QString& path) {
    const auto found = aliases_.find(path);
    if (found == aliases_.end() || --found->uses > 0)
        return;
    const QString folder = found->folder;
    aliases_.erase(found);
    pending_.remove(path);
    const auto paths = pathsOf_.find(folder);
    if (paths == pathsOf_.end())
        return;
    paths->removeOne(path);
    if (paths->isEmpty()) {
        pathsOf_.erase(paths);
        if (watcher_.directories().contains(folder))
            watcher_.removePath(folder);
    }
}

void FolderWatcher::OnFolderChanged(const QString& folder) {
    const auto paths = pathsOf_.constFind(folder);
    if (paths == pathsOf_.cend())
        return;
    for (const QString& path : *paths)
        pending_.insert(path);
    if (!timer_.isActive())
        timer_.start();
}

void FolderWatcher::Report() {
    // A folder removed and made again within the burst lost its watch with the old one.
    const QStringList folders = watcher_.directories();
    const QSet<QString> watched(folders.cbegin(), folders.cend());
    for (auto it = pathsOf_.cbegin(); it != pathsOf_.cend(); ++it) {
        if (!watched.contains(it.key()) && QFileInfo(it.key()).isDir())
            AddFolder(it.key());
    }
    const QStringList paths(pending_.cbegin(), pending_.cend());
    pending_.clear();
    if (changed_ && !paths.isEmpty())
        changed_(paths);
}

} // namespace pix
