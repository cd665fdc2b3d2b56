#include "platform/imaging/pngdecoder.h"

#include "platform/imaging/pngchunks.h"
#include "platform/imaging/pngreader.h"

#include <QList>

namespace pix::imaging {

namespace {

// The picture the rows are read into, with its colour table.
Status allocateRows(const png::Layout& layout, QImage& image) {
    QImage rows(int(layout.width), int(layout.height), layout.format);
    if (rows.isNull())
        return Status::OutOfMemory;
    // libpng writes rowBytes into every row; a row shorter than that would be overrun.
    if (layout.rowBytes > std::size_t(rows.bytesPerLine()))
        return Status::CorruptData;
    if (layout.colourCount > 0)
        rows.setColorTable(QList<QRgb>(layout.colours, layout.colours + layout.colourCount));
    image = std::move(rows);
    return Status::Ok;
}

// libpng warns about palette indices beyond the palette but leaves them in the rows; they are
// shown as the first colour rather than looked up past the colour table.
void clampPaletteIndices(const png::Layout& layout, QImage& image) {
    if (layout.paletteIndexLimit >= 256)
        return;
    for (int y = 0; y < image.height(); ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x)
            if (row[x] >= layout.paletteIndexLimit)
                row[x] = 0;
    }
}

// Reads the header of a reader made over the data: the picture's size, within the bounds.
Status readHeader(png::Reader& reader) {
    if (!reader.valid())
        return Status::OutOfMemory;
    if (!reader.readInfo())
        return Status::CorruptData;
    if (!sizeAllowed(reader.width(), reader.height()))
        return Status::TooLarge;
    return Status::Ok;
}

} // namespace

Status decodePng(const unsigned char* data, std::size_t size, Picture& out) {
    if (!pngChunksFit(data, size))
        return Status::CorruptData;
    png::Reader reader(data, size);
    if (const Status header = readHeader(reader); header != Status::Ok)
        return header;
    if (!pngDataCanHoldImage(data, size))
        return Status::CorruptData;
    png::Layout layout;
    if (!reader.prepare(layout))
        return Status::CorruptData;
    QImage image;
    if (const Status status = allocateRows(layout, image); status != Status::Ok)
        return status;
    if (!reader.readPixels(image.bits(), std::size_t(image.bytesPerLine()), layout))
        return Status::CorruptData;
    clampPaletteIndices(layout, image);
    // Premultiplied in place: the commonest PNG with alpha needs no second picture.
    if (image.format() == QImage::Format_ARGB32)
        image.convertTo(QImage::Format_ARGB32_Premultiplied);
    Picture picture(std::move(image));
    if (picture.isNull())
        return Status::OutOfMemory;
    out = std::move(picture);
    return Status::Ok;
}

Status measurePng(const unsigned char* data, std::size_t size, QSize& out) {
    if (!pngHeaderChunksFit(data, size))
        return Status::CorruptData;
    png::Reader reader(data, size);
    if (const Status header = readHeader(reader); header != Status::Ok)
        return header;
    out = QSize(int(reader.width()), int(reader.height()));
    return Status::Ok;
}

} // namespace pix::imaging
