#include "shell/mounts.h"

#include "platform/filesearch.h"

#include <QDir>
#include <QStorageInfo>
#include <algorithm>

namespace pix {

namespace {

bool underMediaFolder(const QString& rootPath) {
    static const QStringList kMediaFolders = {"/media/", "/run/media/", "/mnt/"};
    return std::any_of(kMediaFolders.cbegin(), kMediaFolders.cend(), [&](const QString& folder) {
        return rootPath.startsWith(folder) && rootPath.size() > folder.size();
    });
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

bool IsFixedLocation(const QString& path) {
    const QStorageInfo volume(path);
    if (!volume.isValid())
        return true;
    return !underMediaFolder(volume.rootPath()) && !isNetworkFileSystem(volume.fileSystemType());
}

} // namespace pix
