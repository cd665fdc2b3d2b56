#include "jobs/filekey.h"

#include <QDir>
#include <QFileInfo>

namespace pix {

QString FileKey(const QString& path) {
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    const QString real = QFileInfo(folder).canonicalFilePath();
    return ((real.isEmpty() ? QDir::cleanPath(folder) : real) + u'/' + info.fileName())
        .toCaseFolded();
}

} // namespace pix
