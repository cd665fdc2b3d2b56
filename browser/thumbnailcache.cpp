// The freedesktop.org thumbnail cache: look-up, atomic stores and failure records.
#include "browser/thumbnailcache.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QImageWriter>
#include <QTemporaryFile>
#include <QUrl>
#include <QtEndian>
#include <algorithm>
#include <cstdio>

namespace pix {

namespace {

const QString kNormalFolder = QStringLiteral("normal");
const QString kFailFolder = QStringLiteral("fail/pixovia-1.0");
const char* const kUriKey = "Thumb::URI";
const char* const kMTimeKey = "Thumb::MTime";
constexpr qsizetype kMaxCompressedText = 4096;

QString defaultRoot() {
    // Only an absolute XDG_CACHE_HOME counts, as the XDG base directory rules say.
    const QString xdg = QString::fromLocal8Bit(qgetenv("XDG_CACHE_HOME"));
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return xdg + QStringLiteral("/thumbnails");
    return QDir::homePath() + QStringLiteral("/.cache/thumbnails");
}

// The folder with the permissions the standard asks for (owner only), made when missing.
bool makeFolder(const QString& folder) {
    QDir dir(folder);
    if (dir.exists())
        return true;
    if (!QDir().mkpath(folder))
        return false;
    // Only the last two levels are ours; the cache root may be made by us as well.
    const QFileDevice::Permissions owner =
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
    QFile::setPermissions(folder, owner);
    QFile::setPermissions(QFileInfo(folder).path(), owner);
    return true;
}

// The text chunks and size of a cached PNG, read from its chunks before the pixel data. Qt's
// reader cannot be used for the text: it splits keys at the colons of "Thumb::URI".
struct PngHead {
    bool ok = false;
    QSize size;
    QHash<QByteArray, QByteArray> text;
};

// zlib data as qUncompress wants it: prefixed by a size hint, which it grows when too small.
QByteArray inflate(const QByteArray& zlib) {
    QByteArray withHint(4, '\0');
    qToBigEndian<quint32>(quint32(std::max<qsizetype>(zlib.size() * 4, 256)), withHint.data());
    return qUncompress(withHint + zlib);
}

PngHead readPngHead(const QByteArray& bytes) {
    PngHead head;
    static const QByteArray kSignature("\x89PNG\r\n\x1a\n", 8);
    if (!bytes.startsWith(kSignature))
        return head;
    qsizetype at = kSignature.size();
    while (at + 8 <= bytes.size()) {
        const auto* p = reinterpret_cast<const uchar*>(bytes.constData() + at);
        const quint32 length = qFromBigEndian<quint32>(p);
        const QByteArray type = bytes.mid(at + 4, 4);
        if (length > quint32(bytes.size() - at - 8))
            return head;
        const QByteArray data = bytes.mid(at + 8, qsizetype(length));
        if (type == "IHDR" && data.size() >= 8) {
            const auto* d = reinterpret_cast<const uchar*>(data.constData());
            head.size = QSize(int(qFromBigEndian<quint32>(d) & 0x7fffffff),
                              int(qFromBigEndian<quint32>(d + 4) & 0x7fffffff));
        } else if (type == "tEXt") {
            const qsizetype nul = data.indexOf('\0');
            if (nul > 0)
                head.text.insert(data.left(nul), QString::fromLatin1(data.mid(nul + 1)).toUtf8());
        } else if (type == "zTXt") {
            // Qt writes long values compressed: key, 0, method 0, zlib data.
            const qsizetype nul = data.indexOf('\0');
            // A text of a few kilobytes at most is inflated, so a hostile entry cannot ask for
            // much memory.
            if (nul > 0 && nul + 2 < data.size() && data[nul + 1] == 0 &&
                data.size() - nul - 2 <= kMaxCompressedText)
                head.text.insert(data.left(nul),
                                 QString::fromLatin1(inflate(data.mid(nul + 2))).toUtf8());
        } else if (type == "iTXt") {
            // key, 0, compression flag, method, language, 0, translated key, 0, text.
            const qsizetype nul = data.indexOf('\0');
            // A text of a few kilobytes at most is inflated, so a hostile entry cannot ask for
            // much memory.
            if (nul > 0 && nul + 2 < data.size() && data[nul + 1] == 0 &&
                data.size() - nul - 2 <= kMaxCompressedText) {
                const qsizetype language = data.indexOf('\0', nul + 3);
                const qsizetype translated = language < 0 ? -1 : data.indexOf('\0', language + 1);
                if (translated >= 0)
                    head.text.insert(data.left(nul), data.mid(translated + 1));
            }
        } else if (type == "IDAT" || type == "IEND") {
            head.ok = head.size.isValid();
            return head;
        }
        at += 12 + qsizetype(length);
    }
    return head;
}

} // namespace

ThumbnailCache::ThumbnailCache(const QString& root)
    : root_(root.isEmpty() ? defaultRoot() : root) {}

QByteArray ThumbnailCache::fileUri(const QString& path) {
    return QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded(QUrl::FullyEncoded);
}

QString ThumbnailCache::cacheName(const QString& path) {
    const QByteArray md5 = QCryptographicHash::hash(fileUri(path), QCryptographicHash::Md5);
    return QString::fromLatin1(md5.toHex()) + QStringLiteral(".png");
}

bool ThumbnailCache::isInsideCache(const QString& path) const {
    const QString file = QFileInfo(path).absoluteFilePath();
    return file.startsWith(root_ + QLatin1Char('/'));
}

QImage ThumbnailCache::read(const QString& file, const QString& path, std::int64_t modified) const {
    // Thumbnails are small; anything far larger is not one of them.
    constexpr qint64 kMaxEntryBytes = 4 * 1024 * 1024;
    QFile entry(file);
    if (!entry.open(QIODevice::ReadOnly) || entry.size() > kMaxEntryBytes)
        return QImage();
    const QByteArray bytes = entry.readAll();
    // The keys are checked before the pixels are decoded: a stale entry costs little.
    const PngHead head = readPngHead(bytes);
    if (!head.ok || head.text.value(kMTimeKey) != QByteArray::number(qlonglong(modified)) ||
        head.text.value(kUriKey) != fileUri(path))
        return QImage();
    if (head.size.isEmpty() || head.size.width() > kNormalSize || head.size.height() > kNormalSize)
        return QImage();
    return QImage::fromData(bytes, "PNG");
}

QImage ThumbnailCache::lookup(const QString& path, std::int64_t modified) const {
    return read(root_ + QLatin1Char('/') + kNormalFolder + QLatin1Char('/') + cacheName(path), path,
                modified);
}

bool ThumbnailCache::hasFailure(const QString& path, std::int64_t modified) const {
    QFile entry(root_ + QLatin1Char('/') + kFailFolder + QLatin1Char('/') + cacheName(path));
    if (!entry.open(QIODevice::ReadOnly))
        return false;
    const PngHead head = readPngHead(entry.read(64 * 1024));
    return head.ok && head.text.value(kMTimeKey) == QByteArray::number(qlonglong(modified)) &&
           head.text.value(kUriKey) == fileUri(path);
}

bool ThumbnailCache::write(const QString& folder, const QString& path, std::int64_t modified,
                           QImage image, QSize original) const {
    if (image.isNull() || !makeFolder(folder))
        return false;
    image.setText(QString::fromLatin1(kUriKey), QString::fromUtf8(fileUri(path)));
    image.setText(QString::fromLatin1(kMTimeKey), QString::number(modified));
    image.setText(QStringLiteral("Software"), QStringLiteral("Pixovia"));
    if (original.isValid()) {
        image.setText(QStringLiteral("Thumb::Image::Width"), QString::number(original.width()));
        image.setText(QStringLiteral("Thumb::Image::Height"), QString::number(original.height()));
    }
    // A temporary file (created owner-only) renamed over the target: readers never see a
    // half-written thumbnail, and two writers leave one whole file.
    QTemporaryFile temp(folder + QStringLiteral("/.pixovia-XXXXXX.png"));
    if (!temp.open())
        return false;
    QImageWriter writer(&temp, "png");
    if (!writer.write(image) || !temp.flush())
        return false;
    const QString target = folder + QLatin1Char('/') + cacheName(path);
    if (std::rename(QFile::encodeName(temp.fileName()).constData(),
                    QFile::encodeName(target).constData()) != 0)
        return false;
    temp.setAutoRemove(false);
    return true;
}

bool ThumbnailCache::store(const QString& path, std::int64_t modified, const QImage& thumbnail,
                           QSize original) const {
    QImage image = thumbnail;
    if (image.width() > kNormalSize || image.height() > kNormalSize)
        image =
            image.scaled(kNormalSize, kNormalSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return write(root_ + QLatin1Char('/') + kNormalFolder, path, modified, image, original);
}

bool ThumbnailCache::recordFailure(const QString& path, std::int64_t modified) const {
    QImage mark(1, 1, QImage::Format_ARGB32);
    mark.fill(Qt::transparent);
    return write(root_ + QLatin1Char('/') + kFailFolder, path, modified, mark, QSize());
}

} // namespace pix
