#include "shell/mounts.h"

#include "platform/filesearch.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <algorithm>
#include <pwd.h>
#include <unistd.h>

namespace pix {

namespace {

// Where media are mounted, and how many folders deep below that: udisks mounts removable
// media at /media/USER/LABEL or /run/media/USER/LABEL (older systems at /media/LABEL), and
// people mount by hand at /mnt/NAME. Deeper mounts there belong to something else.
bool underMediaFolder(const QString& rootPath) {
    static const struct {
        QString folder;
        int maxDepth;
    } kMediaFolders[] = {{"/media/", 2}, {"/run/media/", 2}, {"/mnt/", 1}};
    for (const auto& [folder, maxDepth] : kMediaFolders) {
        if (!rootPath.startsWith(folder) || rootPath.size() == folder.size())
            continue;
        const QString below = rootPath.mid(folder.size());
        return below.count('/') < maxDepth;
    }
    return false;
}

bool isNetworkFileSystem(const QByteArray& type) {
    static const QList<QByteArray> kNetwork = {
        "nfs", "nfs4", "cifs",      "smb3",  "smbfs",       "fuse.sshfs",     "9p",
        "afs", "ceph", "glusterfs", "davfs", "fuse.rclone", "fuse.gvfsd-fuse"};
    return kNetwork.contains(type);
}

} // namespace

QList<MountedMedium> RemovableMedia() {
    QList<MountedMedium> media;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady() || !underMediaFolder(volume.rootPath()))
            continue;
        QString name = volume.name();
        if (name.isEmpty())
            name = QDir(volume.rootPath()).dirName();
        media.append({volume.rootPath(), name});
    }
    std::sort(media.begin(), media.end(), [](const MountedMedium& a, const MountedMedium& b) {
        return nameLess(a.displayName, b.displayName);
    });
    return media;
}

QStringList MediaMountFolders() {
    // udisks names the folder after the login name, whatever HOME says.
    const passwd* account = getpwuid(getuid());
    const QString user = account ? QString::fromLocal8Bit(account->pw_name) : QString();
    QStringList folders;
    for (const QString& folder :
         {QStringLiteral("/media"), "/media/" + user, QStringLiteral("/run/media"),
          "/run/media/" + user, QStringLiteral("/mnt")}) {
        if (!folder.endsWith('/') && QFileInfo(folder).isDir())
            folders << folder;
    }
    return folders;
}

bool IsFixedLocation(const QString& path) {
    const QStorageInfo volume(path);
    if (!volume.isValid())
        return true;
    return !underMediaFolder(volume.rootPath()) && !isNetworkFileSystem(volume.fileSystemType());
}

} // namespace pix
