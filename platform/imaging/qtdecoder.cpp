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

// The chunk checks that must pass before Qt's reader is given the data.
bool framingFits(const unsigned char* data, std::size_t size, ImageFormat format, bool headerOnly) {
    if (format == ImageFormat::Png)
        return headerOnly ? pngHeaderChunksFit(data, size) : pngChunksFit(data, size);
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
