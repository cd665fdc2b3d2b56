#include "platform/imaging/decoder.h"

#include "platform/imaging/codecs.h"
#include "platform/imaging/decodedetail.h"
#include "platform/imaging/guard.h"

#include <QFile>
#include <QFileInfo>

namespace pix::imaging {

ImageFormat detectFormat(const unsigned char* data, std::size_t size) {
    const Codec* codec = codecForData(data, size);
    return codec ? codec->format : ImageFormat::Unknown;
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

Status decodeMemory(const unsigned char* data, std::size_t size, Picture& out,
                    const DecodeHint& hint) {
    detail::clearDecodeDetail();
    if ((!data && size > 0) || !isRotateFlipType(hint.rotateFlip))
        return Status::InvalidParameter;
    return guarded([&] {
        const Codec* codec = codecForData(data, size);
        return codec ? codec->decode(data, size, hint, out) : Status::UnknownImageFormat;
    });
}

Status measureMemory(const unsigned char* data, std::size_t size, QSize& out) {
    detail::clearDecodeDetail();
    if (!data && size > 0)
        return Status::InvalidParameter;
    return guarded([&] {
        const Codec* codec = codecForData(data, size);
        return codec ? codec->measure(data, size, out) : Status::UnknownImageFormat;
    });
}

Status decodeFile(const QString& path, Picture& out, const DecodeHint& hint) {
    detail::clearDecodeDetail(); // a file that cannot be read leaves no older message behind
    QByteArray bytes;
    const Status status = readWholeFile(path, bytes);
    if (status != Status::Ok)
        return status;
    return decodeMemory(reinterpret_cast<const unsigned char*>(bytes.constData()),
                        std::size_t(bytes.size()), out, hint);
}

namespace {

// Runs an operation that reads headers on the first block of the file, and on the whole file
// only when that was not enough. Headers sit at the start of a file; a JPEG's frame header may
// follow large metadata segments.
template <typename Operation> Status onFileHead(const QString& path, Operation&& operation) {
    detail::clearDecodeDetail();
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
    const Status status = operation(reinterpret_cast<const unsigned char*>(head.constData()),
                                    std::size_t(head.size()));
    if (status != Status::CorruptData || file.atEnd())
        return status;
    QByteArray bytes;
    const Status read = readWholeFile(path, bytes);
    if (read != Status::Ok)
        return read;
    return operation(reinterpret_cast<const unsigned char*>(bytes.constData()),
                     std::size_t(bytes.size()));
}

} // namespace

Status measureFile(const QString& path, QSize& size) {
    return onFileHead(path, [&](const unsigned char* data, std::size_t n) {
        const Codec* codec = codecForData(data, n);
        if (codec && codec->measureFile)
            return guarded([&] { return codec->measureFile(path, size); });
        return measureMemory(data, n, size);
    });
}

Status estimateDecodeMemoryOfFile(const QString& path, const DecodeHint& hint,
                                  std::uint64_t& bytes) {
    return onFileHead(path, [&](const unsigned char* data, std::size_t n) {
        return estimateDecodeMemory(data, n, hint, bytes);
    });
}

} // namespace pix::imaging
