#include "platform/imaging/decoder.h"

#include "platform/imaging/bmpdecoder.h"
#include "platform/imaging/gifdecoder.h"
#include "platform/imaging/guard.h"
#include "platform/imaging/jpegcodec.h"
#include "platform/imaging/qtdecoder.h"
#include "platform/imaging/transform.h"
#include "platform/wmf/wmfplayer.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <cstring>

namespace pix::imaging {

namespace {

bool startsWith(const unsigned char* data, std::size_t size, const char* magic, std::size_t n) {
    return size >= n && std::memcmp(data, magic, n) == 0;
}

bool looksLikeIco(const unsigned char* data, std::size_t size) {
    // ICONDIR: reserved 0, type 1 (icon), at least one entry whose header fits.
    return size >= 6 + 16 && qFromLittleEndian<quint16>(data) == 0 &&
           qFromLittleEndian<quint16>(data + 2) == 1 && qFromLittleEndian<quint16>(data + 4) > 0;
}

Status fromWmf(wmf::WmfResult result) {
    switch (result) {
    case wmf::WmfResult::Ok:
        return Status::Ok;
    case wmf::WmfResult::NotWmf:
        return Status::UnknownImageFormat;
    case wmf::WmfResult::Malformed:
        break;
    }
    return Status::CorruptData;
}

Status measureWmf(const unsigned char* data, std::size_t size, QSize& out) {
    QSize pixels;
    const Status status = fromWmf(wmf::measureWmf(data, size, pixels));
    if (status != Status::Ok)
        return status;
    if (!sizeAllowed(pixels.width(), pixels.height()))
        return Status::TooLarge;
    out = pixels;
    return Status::Ok;
}

Status decodeWmf(const unsigned char* data, std::size_t size, Picture& out) {
    QSize pixels;
    Status status = measureWmf(data, size, pixels);
    if (status != Status::Ok)
        return status;
    Picture canvas;
    status = allocatePicture(pixels.width(), pixels.height(), true, canvas);
    if (status != Status::Ok)
        return status;
    canvas.image().fill(Qt::transparent);
    status = fromWmf(wmf::renderWmf(data, size, canvas.image()));
    if (status == Status::Ok)
        out = std::move(canvas);
    return status;
}

} // namespace

ImageFormat detectFormat(const unsigned char* data, std::size_t size) {
    if (startsWith(data, size, "BM", 2))
        return ImageFormat::Bmp;
    if (startsWith(data, size, "\xFF\xD8\xFF", 3))
        return ImageFormat::Jpeg;
    if (startsWith(data, size, "\x89PNG\r\n\x1A\n", 8))
        return ImageFormat::Png;
    if (startsWith(data, size, "GIF87a", 6) || startsWith(data, size, "GIF89a", 6))
        return ImageFormat::Gif;
    if (startsWith(data, size, "II*\0", 4) || startsWith(data, size, "MM\0*", 4))
        return ImageFormat::Tiff;
    if (wmf::isWmf(data, size))
        return ImageFormat::Wmf;
    if (looksLikeIco(data, size))
        return ImageFormat::Ico;
    return ImageFormat::Unknown;
}

// Opens a regular file for reading. Anything else (a folder, a FIFO that would block, a device
// that never ends) is refused before it is opened.
Status openPictureFile(const QString& path, QFile& file) {
    const QFileInfo info(path);
    if (!info.isFile())
        return Status::FileNotFound;
    file.setFileName(path);
    return file.open(QIODevice::ReadOnly) ? Status::Ok : Status::FileNotFound;
}

// Reads at most limit bytes; TooLarge when the file holds more.
Status readBounded(QFile& file, qint64 limit, QByteArray& bytes) {
    return guarded([&] {
        const qint64 size = file.size();
        if (size > limit)
            return Status::TooLarge;
        QByteArray data(qsizetype(size), Qt::Uninitialized);
        qint64 done = 0;
        while (done < size) {
            const qint64 n = file.read(data.data() + done, size - done);
            if (n <= 0)
                break; // the file shrank while it was read
            done += n;
        }
        if (file.error() != QFileDevice::NoError)
            return Status::FileNotFound;
        data.truncate(qsizetype(done));
        bytes = std::move(data);
        return Status::Ok;
    });
}

Status readWholeFile(const QString& path, QByteArray& bytes) {
    QFile file;
    const Status status = openPictureFile(path, file);
    if (status != Status::Ok)
        return status;
    // Even the largest legitimate uncompressed picture is far below this.
    constexpr qint64 kMaxFileBytes = qint64(4) << 30;
    return readBounded(file, kMaxFileBytes, bytes);
}

namespace {

// Decodes the picture upright, unturned; JPEG is handled apart since it turns while decoding.
Status decodeUpright(ImageFormat format, const unsigned char* data, std::size_t size,
                     Picture& out) {
    switch (format) {
    case ImageFormat::Bmp:
        return decodeBmp(data, size, out);
    case ImageFormat::Gif:
        return decodeGif(data, size, out);
    case ImageFormat::Wmf:
        return decodeWmf(data, size, out);
    case ImageFormat::Png:
        return decodeWithQt(data, size, ImageFormat::Png, out);
    case ImageFormat::Tiff:
        return decodeWithQt(data, size, ImageFormat::Tiff, out);
    case ImageFormat::Ico:
        return decodeWithQt(data, size, ImageFormat::Ico, out);
    case ImageFormat::Jpeg:
    case ImageFormat::Unknown:
        break;
    }
    return Status::UnknownImageFormat;
}

Status measureAny(const unsigned char* data, std::size_t size, QSize& out) {
    switch (detectFormat(data, size)) {
    case ImageFormat::Bmp:
        return measureBmp(data, size, out);
    case ImageFormat::Gif:
        return measureGif(data, size, out);
    case ImageFormat::Jpeg:
        return measureJpeg(data, size, out);
    case ImageFormat::Wmf:
        return measureWmf(data, size, out);
    case ImageFormat::Png:
        return measureWithQt(data, size, ImageFormat::Png, out);
    case ImageFormat::Tiff:
        return measureWithQt(data, size, ImageFormat::Tiff, out);
    case ImageFormat::Ico:
        return measureWithQt(data, size, ImageFormat::Ico, out);
    case ImageFormat::Unknown:
        break;
    }
    return Status::UnknownImageFormat;
}

} // namespace

Status decodeMemory(const unsigned char* data, std::size_t size, Picture& out,
                    const DecodeHint& hint) {
    if ((!data && size > 0) || hint.rotateFlip < RotateNoneFlipNone ||
        hint.rotateFlip > Rotate270FlipX)
        return Status::InvalidParameter;
    return guarded([&] {
        const ImageFormat format = detectFormat(data, size);
        if (format == ImageFormat::Jpeg)
            return decodeJpeg(data, size, hint, out);
        Picture picture;
        Status status = decodeUpright(format, data, size, picture);
        if (status == Status::Ok)
            status = rotateFlip(picture, hint.rotateFlip);
        if (status == Status::Ok)
            out = std::move(picture);
        return status;
    });
}

Status measureMemory(const unsigned char* data, std::size_t size, QSize& out) {
    if (!data && size > 0)
        return Status::InvalidParameter;
    return guarded([&] { return measureAny(data, size, out); });
}

Status decodeFile(const QString& path, Picture& out, const DecodeHint& hint) {
    QByteArray bytes;
    const Status status = readWholeFile(path, bytes);
    if (status != Status::Ok)
        return status;
    return decodeMemory(reinterpret_cast<const unsigned char*>(bytes.constData()),
                        std::size_t(bytes.size()), out, hint);
}

Status measureFile(const QString& path, QSize& size) {
    // Headers sit at the start of a file; a JPEG's frame header may follow large metadata
    // segments. Measure from the first block and read the rest only when that was not enough.
    constexpr qint64 kHeadBytes = 256 * 1024;
    QFile file;
    Status opened = openPictureFile(path, file);
    if (opened != Status::Ok)
        return opened;
    QByteArray head;
    opened = guarded([&] {
        head = file.read(kHeadBytes);
        return file.error() == QFileDevice::NoError ? Status::Ok : Status::FileNotFound;
    });
    if (opened != Status::Ok)
        return opened;
    const Status status = measureMemory(reinterpret_cast<const unsigned char*>(head.constData()),
                                        std::size_t(head.size()), size);
    if (status != Status::CorruptData || file.atEnd())
        return status;
    QByteArray bytes;
    const Status read = readWholeFile(path, bytes);
    if (read != Status::Ok)
        return read;
    return measureMemory(reinterpret_cast<const unsigned char*>(bytes.constData()),
                         std::size_t(bytes.size()), size);
}

} // namespace pix::imaging
