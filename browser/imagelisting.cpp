// Listing a folder for the image browser: the filter's patterns, then a header-only measure.
#include "browser/imagelisting.h"

#include "platform/filesearch.h"
#include "platform/imaging/decoder.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>
#include <QSize>
#include <algorithm>

namespace pix {

namespace {

// Most headers sit in the first few kilobytes; a JPEG whose frame header follows large
// metadata is measured again by the imaging service, which reads further.
constexpr qint64 kHeadBytes = 64 * 1024;

bool measurePicture(const QString& path, QSize& size) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(kHeadBytes);
    const imaging::Status status = imaging::measureMemory(
        reinterpret_cast<const unsigned char*>(head.constData()), std::size_t(head.size()), size);
    if (status == imaging::Status::Ok)
        return true;
    if (status != imaging::Status::CorruptData || file.atEnd())
        return false;
    return imaging::measureFile(path, size) == imaging::Status::Ok;
}

struct Measured {
    bool ok = false;
    QSize size;
};

} // namespace

QString pictureFilePath(const QString& folder, const QString& name) {
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

std::vector<ImageInfo> ListPictures(const QString& folder, const QStringList& patterns,
                                    bool details, const std::atomic<bool>* cancel) {
    std::vector<ImageInfo> pictures;
    if (folder.isEmpty())
        return pictures;
    // A file listed by two patterns is read once.
    QHash<QString, Measured> measured;
    const QMimeDatabase mimeTypes;
    for (const QString& pattern : patterns) {
        for (const QString& name : listFolder(folder, pattern, Entry::Files)) {
            if (cancel != nullptr && cancel->load(std::memory_order_relaxed))
                return pictures;
            const QString path = pictureFilePath(folder, name);
            auto found = measured.find(name);
            if (found == measured.end()) {
                Measured m;
                m.ok = measurePicture(path, m.size);
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
