// Watches folders on disk for entries coming and going (QFileSystemWatcher, inotify on Linux)
// and reports the changed folders once per burst: a run that makes a hundred folders, or a
// folder deleted with everything below it, gives one report a short while after its first
// change, naming each changed folder once.
//
// A folder is watched once however many paths name it (a link to it, a link to an ancestor);
// a change reports every path it was watched by. The system's watches are few and shared with
// other programs, so at most `limit` folders are watched; past that, and where the system
// refuses, changes are seen only when the tree reads the folder again (Refresh, reopening).
#pragma once

#include "shell/folderwatch.h"

#include <QFileSystemWatcher>
#include <QHash>
#include <QSet>
#include <QStringList>
#include <QTimer>
#include <functional>

namespace pix {

class FolderWatcher : public FolderWatch {
public:
    using Changed = std::function<void(const QStringList& paths)>;
    static constexpr int kDelayMs = 200;
    static constexpr int kLimit = 1000;

    explicit FolderWatcher(int delayMs = kDelayMs, int limit = kLimit);

    /// Where the changed paths go, as Watch named them, in no particular order.
    void SetChanged(Changed changed) { changed_ = std::move(changed); }
    void Watch(const QString& path) override;
    void Unwatch(const QString& path) override;
    /// The folders the system watches now (resolved paths).
    QStringList WatchedFolders() const { return watcher_.directories(); }

private:
    struct Alias {
        QString folder; // the resolved path; empty when it could not be resolved
        int uses = 0;
    };
    void AddFolder(const QString& folder);
    void OnFolderChanged(const QString& folder);
    void Report();

    QFileSystemWatcher watcher_;
    QTimer timer_;
    int limit_;
    bool warned_ = false;
    Changed changed_;
    QHash<QString, Alias> aliases_;       // by the path the tree gave
    QHash<QString, QStringList> pathsOf_; // the paths naming each resolved folder
    QSet<QString> pending_;               // changed paths waiting for the report
};

} // namespace pix
