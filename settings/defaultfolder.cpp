#include "settings/defaultfolder.h"

#include <QDir>
#include <QStandardPaths>

namespace pix {

QString DefaultOutputFolder() {
    for (const auto location :
         {QStandardPaths::DocumentsLocation, QStandardPaths::DesktopLocation}) {
        const QString path = QStandardPaths::writableLocation(location);
        if (!path.isEmpty() && QDir(path).exists())
            return QDir::toNativeSeparators(path);
    }
    return QDir::toNativeSeparators(QDir::homePath());
}

} // namespace pix
