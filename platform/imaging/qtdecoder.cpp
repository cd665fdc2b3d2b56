#include "platform/imaging/qtdecoder.h"

#include "platform/imaging/pngchunks.h"

#include <QBuffer>
#include <QImageReader>
#include <QtEndian>
#include <mutex>

namespace pix::imaging {

namespace {

const char* qtFormatName(ImageFormat format) {
    switch (format) {
    case ImageFormat::Png:
        return "png";
    case ImageFormat::Ico:
        return "ico";
    default:
        return "";
    }
}

// Qt refuses allocations above its own limit (256 MB by default); ours is checked before every
// read, so lift Qt's to cover a 16-bit picture of the largest size we accept.
void raiseQtAllocationLimit() {
    static std::once_flag once;
    std::call_once(once, [] { QImageReader::setAllocationLimit(int((kMaxPixels * 8) >> 20)); });
}

// The icon directory entry with the most pixels, and among equals the deepest one. A width or
// height byte of 0 stands for 256; PNG-compressed entries are at least that large.
int largestIconEntry(const unsigned char* data, std::size_t size) {
    const std::size_t count = qFromLittleEndian<quint16>(data + 4);
    int best = -1;
    long long bestArea = -1;
    int bestDepth = -1;
    for (std::size_t i = 0; i < count && 6 + 16 * (i + 1) <= size; ++i) {
        const unsigned char* e = data + 6 + 16 * i;
        const long long w = e[0] ? e[0] : 256, h = e[1] ? e[1] : 256;
        const int depth = qFromLittleEndian<quint16>(e + 6);
        if (w * h > bestArea || (w * h == bestArea && depth > bestDepth)) {
            best = int(i);
            bestArea = w * h;
            bestDepth = depth;
        }
    }
    return best;
}

// Every PNG held by the icon directory, checked like a PNG file of its own: Qt's icon reader
// hands each such entry to libpng, for its header as well as for its pixels.
bool iconPngsFit(const unsigned char* data, std::size_t size) {
    const std::size_t count = qFromLittleEndian<quint16>(data + 4);
    for (std::size_t i = 0; i < count && 6 + 16 * (i + 1) <= size; ++i) {
        const std::size_t offset = qFromLittleEndian<quint32>(data + 6 + 16 * i + 12);
        if (offset < size && isPngData(data + offset, size - offset) &&
            !(pngChunksFit(data + offset, size - offset) &&
              pngDataCanHoldImage(data + offset, size - offset)))
            return false;
    }
    return true;
}

// The chunk checks that must pass before Qt's reader is given the data.
bool framingFits(const unsigned char* data, std::size_t size, ImageFormat format, bool headerOnly) {
    if (format == ImageFormat::Png)
        return headerOnly ? pngHeaderChunksFit(data, size) : pngChunksFit(data, size);
    if (format == ImageFormat::Ico)
        return iconPngsFit(data, size);
    return true;
}

struct Reader {
    QByteArray bytes;
    QBuffer buffer;
    QImageReader reader;

    Reader(const unsigned char* data, std::size_t size, ImageFormat format)
        : bytes(QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size))) {
        raiseQtAllocationLimit();
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        reader.setDevice(&buffer);
        reader.setFormat(qtFormatName(format));
        reader.setAutoTransform(true); // an orientation in the metadata: shown upright
        reader.setDecideFormatFromContent(false);
        if (format == ImageFormat::Ico) {
            const int entry = largestIconEntry(data, size);
            if (entry > 0)
                reader.jumpToImage(entry);
        }
    }

    QSize uprightSize() {
        QSize size = reader.size();
        if (reader.transformation() & QImageIOHandler::TransformationRotate90)
            size.transpose();
        return size;
    }
};

} // namespace

Status decodeWithQt(const unsigned char* data, std::size_t size, ImageFormat format, Picture& out) {
    if (!framingFits(data, size, format, false))
        return Status::CorruptData;
    Reader r(data, size, format);
    const QSize declared = r.uprightSize();
    if (declared.isValid() && !sizeAllowed(declared.width(), declared.height()))
        return Status::TooLarge;
    if (format == ImageFormat::Png && !pngDataCanHoldImage(data, size))
        return Status::CorruptData;
    QImage image;
    if (!r.reader.read(&image) || image.isNull()) {
        return r.reader.error() == QImageReader::UnsupportedFormatError ? Status::UnknownImageFormat
                                                                        : Status::CorruptData;
    }
    if (!sizeAllowed(image.width(), image.height()))
        return Status::TooLarge;
    Picture picture(std::move(image));
    if (picture.isNull())
        return Status::OutOfMemory;
    out = std::move(picture);
    return Status::Ok;
}

Status measureWithQt(const unsigned char* data, std::size_t size, ImageFormat format,
                     QSize& size_out) {
    if (!framingFits(data, size, format, true))
        return Status::CorruptData;
    Reader r(data, size, format);
    const QSize upright = r.uprightSize();
    if (!upright.isValid() || upright.isEmpty())
        return Status::CorruptData;
    if (!sizeAllowed(upright.width(), upright.height()))
        return Status::TooLarge;
    size_out = upright;
    return Status::Ok;
}

} // namespace pix::imaging
