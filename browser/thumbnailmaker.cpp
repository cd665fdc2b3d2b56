// One browser thumbnail: cache look-up, reduced-scale decode, cache store.
#include "browser/thumbnailmaker.h"

#include "browser/thumbnailcache.h"
#include "platform/imaging/colourprofile.h"
#include "platform/imaging/decoder.h"
#include "platform/imaging/transform.h"

#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <algorithm>
#include <cmath>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace pix {

namespace {

const QSize kCell(ImageListModel::kThumbnailWidth, ImageListModel::kThumbnailHeight);

// The size of the picture scaled to fit in box, its proportions kept, never enlarged.
QSize fittedSize(QSize picture, int box) {
    const double scale =
        std::min({1.0, double(box) / picture.width(), double(box) / picture.height()});
    return QSize(std::max(1, int(std::lround(picture.width() * scale))),
                 std::max(1, int(std::lround(picture.height() * scale))));
}

// The smallest size that still covers both the cached thumbnail and the cell.
QSize neededSize(QSize picture) {
    const QSize normal = fittedSize(picture, ThumbnailCache::kNormalSize);
    const double cover = std::max(double(kCell.width()) / picture.width(),
                                  double(kCell.height()) / picture.height());
    const QSize cell(int(std::ceil(picture.width() * std::min(1.0, cover))),
                     int(std::ceil(picture.height() * std::min(1.0, cover))));
    return normal.expandedTo(cell);
}

const unsigned char* bytesOf(const QByteArray& bytes) {
    return reinterpret_cast<const unsigned char*>(bytes.constData());
}

// The file's modification time in whole seconds since 1970, as the thumbnail cache records it;
// false when the path is not a regular file. Read from the file system directly: no conversion
// through local time is needed, which takes a process-wide lock on every worker.
bool modificationTime(const QString& path, std::int64_t& seconds) {
#ifdef Q_OS_UNIX
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    seconds = std::int64_t(status.st_mtime);
    return true;
#else
    const QFileInfo file(path);
    if (!file.isFile())
        return false;
    seconds = file.lastModified().toSecsSinceEpoch();
    return true;
#endif
}

ThumbnailResult ready(const QImage& picture) {
    ThumbnailResult result;
    result.cell = fitCell(picture, kCell);
    result.state = result.cell.isNull() ? ThumbnailState::Broken : ThumbnailState::Ready;
    return result;
}

} // namespace

QImage fitCell(const QImage& picture, QSize cell) {
    if (picture.isNull() || cell.isEmpty())
        return QImage();
    const QImage fitted = picture.width() <= cell.width() && picture.height() <= cell.height()
                              ? picture
                              : picture.scaled(cell, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (fitted.isNull())
        return QImage();
    QImage out(cell, QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        return QImage();
    out.fill(Qt::transparent);
    const QRect place(
        QPoint((cell.width() - fitted.width()) / 2, (cell.height() - fitted.height()) / 2),
        fitted.size());
    QPainter painter(&out);
    painter.fillRect(place, Qt::white);
    painter.drawImage(place.topLeft(), fitted);
    return out;
}

ThumbnailResult makeBrowserThumbnail(const QString& path, const ThumbnailCache* cache,
                                     const DecodeAdmission& admit) {
    ThumbnailResult broken;
    broken.state = ThumbnailState::Broken;
    std::int64_t modified = 0;
    if (!modificationTime(path, modified))
        return broken;
    const bool cached = cache != nullptr && !cache->isInsideCache(path);
    if (cached) {
        const QImage normal = cache->lookup(path, modified);
        if (!normal.isNull())
            return ready(normal);
        if (cache->hasFailure(path, modified))
            return broken;
    }

    // The file is read once; measuring, recognising and decoding all work on these bytes.
    QByteArray file;
    QSize size;
    if (imaging::readWholeFile(path, file) != imaging::Status::Ok ||
        imaging::measureMemory(bytesOf(file), std::size_t(file.size()), size) !=
            imaging::Status::Ok ||
        size.isEmpty()) {
        if (cached)
            cache->recordFailure(path, modified);
        return broken;
    }
    const bool large = std::int64_t(size.width()) * size.height() > kThumbnailPixelBudget;
    const bool jpeg = imaging::detectFormat(bytesOf(file), std::size_t(file.size())) ==
                      imaging::ImageFormat::Jpeg;
    if (large && !jpeg)
        return ThumbnailResult{};

    imaging::DecodeHint hint;
    hint.minSize = neededSize(size);
    hint.preview = true;
    std::uint64_t bytes = 0;
    if (admit &&
        imaging::estimateDecodeMemory(bytesOf(file), std::size_t(file.size()), hint, bytes) ==
            imaging::Status::Ok &&
        !admit(bytes)) {
        ThumbnailResult later;
        later.deferred = true;
        return later;
    }
    imaging::Picture picture;
    const imaging::Status decoded =
        imaging::decodeMemory(bytesOf(file), std::size_t(file.size()), picture, hint);
    file = QByteArray();
    if (decoded != imaging::Status::Ok || picture.isNull()) {
        // Only a fault of the file itself is remembered; running out of memory or a file that
        // went away may pass.
        if (cached && (decoded == imaging::Status::CorruptData ||
                       decoded == imaging::Status::UnknownImageFormat ||
                       decoded == imaging::Status::TooLarge))
            cache->recordFailure(path, modified);
        return broken;
    }
    // One resampling to a small picture that covers both the cached and the shown thumbnail;
    // both are made from it.
    const QSize small = neededSize(QSize(picture.width(), picture.height()));
    imaging::Picture reduced;
    if (imaging::resizePicture(picture, small.width(), small.height(), reduced) !=
        imaging::Status::Ok)
        return ThumbnailResult{};
    // The shared cache holds sRGB, as file managers show it; the small picture converts cheaply.
    reduced.metadata().iccProfile = std::move(picture.metadata().iccProfile);
    imaging::colour::convertToSrgb(reduced);
    picture = imaging::Picture();
    if (cached) {
        imaging::Picture normal;
        const QSize box(ThumbnailCache::kNormalSize, ThumbnailCache::kNormalSize);
        if (imaging::makeThumbnail(reduced, box, normal) == imaging::Status::Ok)
            cache->store(path, modified, normal.toStraightArgb(), size);
    }
    return ready(reduced.toStraightArgb());
}

} // namespace pix
