#include "platform/imaging/pngdecoder.h"

#include "platform/imaging/guard.h"
#include "platform/imaging/pngchunks.h"
#include "platform/imaging/pngmetadata.h"
#include "platform/imaging/pngreader.h"
#include "platform/imaging/pngreduce.h"

#include <QList>
#include <vector>

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

// The factor by which a decode asking for minSize shrinks the picture; 1 for the whole one.
// The shrunk picture keeps at least twice minSize: a caller resampling it to minSize then
// averages several boxes per pixel and gets what the whole picture would give (shrunk to
// minSize itself, a pixel between two boxes would average both, a visible softening).
int factorFor(png_uint_32 width, png_uint_32 height, QSize minSize) {
    return png::reductionFactor(width, height, minSize * 2);
}

void addRow(void* reducer, const unsigned char* row, png_uint_32 y) {
    static_cast<png::RowReducer*>(reducer)->addRow(row, y);
}

Status decodeReduced(png::Reader& reader, const png::Layout& layout, int factor, Picture& out) {
    png::RowReducer reducer;
    if (const Status status = reducer.start(layout, factor); status != Status::Ok)
        return status;
    std::vector<unsigned char> row;
    const Status allocated = guarded([&] {
        row.resize(layout.rowBytes);
        return Status::Ok;
    });
    if (allocated != Status::Ok)
        return allocated;
    if (!reader.streamRows(row.data(), layout, addRow, &reducer))
        return Status::CorruptData;
    out = reducer.finish();
    return Status::Ok;
}

Status decodeWhole(png::Reader& reader, const png::Layout& layout, Picture& out) {
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

} // namespace

Status decodePng(const unsigned char* data, std::size_t size, Picture& out) {
    return decodePng(data, size, QSize(), out);
}

Status decodePng(const unsigned char* data, std::size_t size, QSize minSize, Picture& out) {
    if (!pngChunksFit(data, size))
        return Status::CorruptData;
    png::Reader reader(data, size);
    if (const Status header = readHeader(reader); header != Status::Ok)
        return header;
    if (!pngDataCanHoldImage(data, size))
        return Status::CorruptData;
    const int factor = factorFor(reader.width(), reader.height(), minSize);
    // A shrunk picture spares the second checksum: the inflater's sum over every inflated
    // byte costs some 6% of the decode, and the chunks' CRCs already guard the same data.
    if (factor > 1)
        reader.skipImageDataChecksum();
    png::Layout layout;
    if (!reader.prepare(layout, factor > 1))
        return Status::CorruptData;
    Picture picture;
    const Status status = factor > 1 ? decodeReduced(reader, layout, factor, picture)
                                     : decodeWhole(reader, layout, picture);
    if (status == Status::Ok) {
        picture.metadata() = png::readMetadata(data, size);
        out = std::move(picture);
    }
    return status;
}

Status planPngDecode(const unsigned char* data, std::size_t size, QSize minSize, QSize& output,
                     std::uint64_t& bytes) {
    QSize whole;
    if (const Status status = measurePng(data, size, whole); status != Status::Ok)
        return status;
    const auto width = png_uint_32(whole.width()), height = png_uint_32(whole.height());
    const int factor = factorFor(width, height, minSize);
    output = png::reducedSize(width, height, factor);
    const std::uint64_t pixels = std::uint64_t(output.width()) * std::uint64_t(output.height());
    // Reduced: the picture and a few rows. Whole: the reader's own picture first, 16 bits a
    // channel at most, and the 32-bit picture made from it.
    bytes = factor > 1 ? pixels * 4 + png::RowReducer::workingBytes(width, factor) : pixels * 12;
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
