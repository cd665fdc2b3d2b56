// The thumbnail cache shared with file managers, after the freedesktop.org Thumbnail Managing
// Standard: "normal" thumbnails (at most 128 pixels a side) as PNG files named by the MD5 of the
// file's URI, holding the URI and the file's modification time; failures recorded under
// fail/pixovia-1.0/ so that a broken picture is not decoded again until it changes.
//
// Anyone who can write into a cache (a shared or restored one, a synced home folder) chooses
// what is read from it, so a folder is used only when it is the user's own and nobody else may
// write into it, every folder the cache makes is owner-only, and an entry is read only when it
// is a regular file (never through a link, never waiting on a FIFO) of thumbnail size, up to
// the size it had when it was opened; of its texts only the two keys are decoded, within a few
// kilobytes, before anything else.
//
// Every operation may be called from any thread. A cache that cannot be read or written, or
// may not be used, only costs time: lookups miss and stores fail quietly.
#pragma once

#include <QImage>
#include <QString>
#include <cstdint>

namespace pix {

class ThumbnailCache {
public:
    static constexpr int kNormalSize = 128;

    /// The cache in root (the folder that holds normal/ and fail/); an empty root means the
    /// user's: $XDG_CACHE_HOME/thumbnails, or ~/.cache/thumbnails.
    explicit ThumbnailCache(const QString& root = QString());

    const QString& root() const { return root_; }

    /// "file:///..." of an absolute path, percent-encoded, and the cache's file name for it.
    static QByteArray fileUri(const QString& path);
    static QString cacheName(const QString& path);

    /// The normal thumbnail of the file if one is cached for this modification time (seconds);
    /// a null image when there is none, it is stale, or it is not a normal-size thumbnail.
    QImage lookup(const QString& path, std::int64_t modified) const;

    /// Stores a normal thumbnail (scaled down here if larger). True when written.
    bool store(const QString& path, std::int64_t modified, const QImage& thumbnail,
               QSize original = QSize()) const;

    /// Failures: a file that could not be thumbnailed at this modification time.
    bool recordFailure(const QString& path, std::int64_t modified) const;
    bool hasFailure(const QString& path, std::int64_t modified) const;

    /// True for files inside the cache itself, which are never thumbnailed.
    bool isInsideCache(const QString& path) const;

private:
    bool write(const QString& folder, const QString& path, std::int64_t modified, QImage image,
               QSize original) const;
    QImage read(const QString& file, const QString& path, std::int64_t modified) const;

    QString root_;
};

} // namespace pix
