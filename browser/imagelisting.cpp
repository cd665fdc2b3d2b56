// Listing a folder for the image browser: the filter's patterns, then a header-only measure.
#include "browser/imagelisting.h"

#include "platform/filesearch.h"
#include "platform/imaging/decoder.h"

#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>
#include <QSize>
#include <algorithm>

namespace pix {

namespace {

struct Measured {
    bool ok = false;
    QSize size;
};

} // namespace

std::vector<ImageInfo> ListPictures(const QString& folder, const QStringList& patterns,
                                    bool details, const std::atomic<bool>* cancel) {
    std::vector<ImageInfo> pictures;
    if (folder.isEmpty())
        return pictures;
    // A file listed by two patterns is read once.
    QHash<QString, Measured> measured;
    const QMimeDatabase mimeTypes;
    for (const QStringList& names : listFolderByPatterns(folder, patterns, Entry::Files)) {
        for (const QString& name : names) {
            if (cancel != nullptr && cancel->load(std::memory_order_relaxed))
                return pictures;
            const QString path = joinPath(folder, name);
            auto found = measured.find(name);
            if (found == measured.end()) {
                Measured m;
                m.ok = imaging::measureFile(path, m.size) == imaging::Status::Ok;
                found = measured.insert(name, m);
            }
            if (!found->ok)
                continue;
            ImageInfo info;
            info.fileName = name;
            info.folder = folder;
            info.width = found->size.width();
            info.height = found->size.height();
            if (details) {
                const QFileInfo file(path);
                info.typeName = mimeTypes.mimeTypeForFile(file).comment();
                info.fileSize = std::uint64_t(std::max<qint64>(file.size(), 0));
                info.modified = file.lastModified().toSecsSinceEpoch();
            }
            pictures.push_back(std::move(info));
        }
    }
    return pictures;
}

} // namespace pix
