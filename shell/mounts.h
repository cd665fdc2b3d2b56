// Where the desktop finds removable media, and which folders count as fixed (local disks)
// rather than removable or network locations.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace pix {

struct MountedMedium {
    QString rootPath;    // where it is mounted
    QString displayName; // its label, or the mount folder's name
};

/// Media mounted under /media, /run/media or /mnt (where removable media and the user's own
/// mounts go), in name order of their display names.
QList<MountedMedium> RemovableMedia();

/// The folders that exist now where media mount folders come and go (/media, /run/media, /mnt
/// and the user's own folders below them): watching them tells when media appear and leave.
QStringList MediaMountFolders();

/// True when the path lies on a fixed local file system; false on removable media (mounted
/// under the folders above) and on network file systems, whose contents may appear later.
bool IsFixedLocation(const QString& path);

} // namespace pix
