#include "imaging/tiffbuilder.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <tiffio.h>
#include <vector>

namespace pix::imaging::test {

namespace {

void setTags(TIFF* tiff, const TiffShape& shape) {
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, std::uint32_t(shape.width));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, std::uint32_t(shape.height));
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, std::uint16_t(shape.samples));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, std::uint16_t(shape.bits));
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, std::uint16_t(shape.photometric));
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG,
                 std::uint16_t(shape.planar ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG));
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, std::uint16_t(shape.compression));
    TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, std::uint16_t(shape.sampleFormat));
    if (shape.whitePoint[0] > 0)
        TIFFSetField(tiff, TIFFTAG_WHITEPOINT, shape.whitePoint);
    TIFFSetField(tiff, TIFFTAG_ORIENTATION, std::uint16_t(shape.orientation));
    if (shape.extraSample >= 0) {
        const auto extra = std::uint16_t(shape.extraSample);
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    if (shape.tiled) {
        TIFFSetField(tiff, TIFFTAG_TILEWIDTH, 16u);
        TIFFSetField(tiff, TIFFTAG_TILELENGTH, 16u);
    } else {
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, std::uint32_t(shape.rowsPerStrip));
    }
}

// Packs samples most significant bit first, as TIFF stores them, into whole bytes per row.
void putSample(std::vector<std::uint8_t>& row, std::size_t index, int bits, std::uint32_t value) {
    if (bits == 8) {
        row[index] = std::uint8_t(value);
    } else if (bits == 16) {
        std::memcpy(&row[index * 2], &value, 2); // native order; libtiff swaps as needed
    } else if (bits == 32) {
        std::memcpy(&row[index * 4], &value, 4);
    } else {
        for (int b = 0; b < bits; ++b) {
            const std::size_t bit = index * std::size_t(bits) + std::size_t(b);
            if (value & (1u << (bits - 1 - b)))
                row[bit / 8] |= std::uint8_t(0x80 >> (bit % 8));
        }
    }
}

// Every sample of the block of w x h pixels at (x0, y0) of one plane (or of all planes when
// plane is negative), rows padded to whole bytes.
std::vector<std::uint8_t> block(const TiffShape& shape, int x0, int y0, int w, int h, int plane) {
    const int perPixel = plane < 0 ? shape.samples : 1;
    const std::size_t rowBytes = (std::size_t(w) * perPixel * shape.bits + 7) / 8;
    std::vector<std::uint8_t> bytes(rowBytes * std::size_t(h));
    for (int y = 0; y < h; ++y) {
        std::vector<std::uint8_t> row(rowBytes);
        for (int x = 0; x < w; ++x) {
            for (int i = 0; i < perPixel; ++i) {
                const int s = plane < 0 ? i : plane;
                const bool inside = x0 + x < shape.width && y0 + y < shape.height;
                const std::uint32_t v = inside ? shape.sample(x0 + x, y0 + y, s) : 0;
                putSample(row, std::size_t(x) * perPixel + i, shape.bits, v);
            }
        }
        std::copy(row.begin(), row.end(), bytes.begin() + std::ptrdiff_t(rowBytes * y));
    }
    return bytes;
}

void writePixels(TIFF* tiff, const TiffShape& shape) {
    const int planes = shape.planar ? shape.samples : 1;
    for (int p = 0; p < planes; ++p) {
        const int plane = shape.planar ? p : -1;
        if (shape.tiled) {
            for (int y = 0; y < shape.height; y += 16) {
                for (int x = 0; x < shape.width; x += 16) {
                    std::vector<std::uint8_t> b = block(shape, x, y, 16, 16, plane);
                    TIFFWriteTile(tiff, b.data(), std::uint32_t(x), std::uint32_t(y), 0,
                                  std::uint16_t(p));
                }
            }
        } else {
            for (int y = 0; y < shape.height; y += shape.rowsPerStrip) {
                const int rows = std::min(shape.rowsPerStrip, shape.height - y);
                std::vector<std::uint8_t> b = block(shape, 0, y, shape.width, rows, plane);
                const std::uint32_t strip =
                    TIFFComputeStrip(tiff, std::uint32_t(y), std::uint16_t(p));
                TIFFWriteEncodedStrip(tiff, strip, b.data(), tmsize_t(b.size()));
            }
        }
    }
}

} // namespace

QByteArray writeTiff(const TiffShape& shape) {
    QTemporaryDir dir;
    const QByteArray path = dir.filePath("picture.tif").toLocal8Bit();
    QByteArray mode = shape.bigTiff ? "w8" : "w";
    if (shape.bigEndian)
        mode += 'b';
    TIFF* tiff = TIFFOpen(path.constData(), mode.constData());
    if (!tiff)
        return {};
    setTags(tiff, shape);
    writePixels(tiff, shape);
    TIFFClose(tiff);
    QFile file(QString::fromLocal8Bit(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray handMadeTiff(std::initializer_list<std::pair<std::uint16_t, std::uint32_t>> tags,
                        const QByteArray& body) {
    const int count = int(tags.size());
    const std::uint32_t bodyOffset = std::uint32_t(8 + 2 + count * 12 + 4);
    QByteArray out("II*\0\x08\0\0\0", 8);
    auto put16 = [&](std::uint16_t v) { out.append(char(v & 0xFF)).append(char(v >> 8)); };
    auto put32 = [&](std::uint32_t v) {
        put16(std::uint16_t(v & 0xFFFF));
        put16(std::uint16_t(v >> 16));
    };
    put16(std::uint16_t(count));
    for (auto [tag, value] : tags) {
        if (tag == 273)
            value = bodyOffset;
        const bool shortValue = value <= 0xFFFF && tag != 273 && tag != 279;
        put16(tag);
        put16(shortValue ? 3 : 4);
        put32(1);
        if (shortValue) {
            put16(std::uint16_t(value));
            put16(0);
        } else {
            put32(value);
        }
    }
    put32(0);
    return out + body;
}

} // namespace pix::imaging::test
