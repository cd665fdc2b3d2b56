#include "jobs/ensurefolder.h"

#include <QDir>
#include <QFileInfo>

namespace pix {

bool EnsureFolder(const QString& path) {
    for (qsizetype slash = path.indexOf(u'/'); slash >= 0; slash = path.indexOf(u'/', slash + 1)) {
        const QString part = path.left(slash);
        if (part.isEmpty())
            continue; // the file-system root, which always exists
        if (QFileInfo::exists(part))
            continue;
        if (!QDir().mkdir(part))
            return false;
    }
    return true;
}

} // namespace pix
