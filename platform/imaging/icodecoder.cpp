#include "platform/imaging/icodecoder.h"

#include "platform/imaging/pngchunks.h"
#include "platform/imaging/pngdecoder.h"

#include <QtEndian>
#include <array>
#include <cstdint>

namespace pix::imaging {

namespace {

constexpr std::size_t kDirectory = 6, kEntry = 16, kInfoHeader = 40;

// One picture of the directory: where its data lies. Its size is read from the data itself:
// writers get the directory's size and byte count wrong more often than the picture's header.
struct Entry {
    std::size_t offset = 0;
    long long area = 0;
    int depth = 0;
};

// The entry with the most pixels, and among equals the deepest, whose data starts inside the
// file. A width or height byte of 0 stands for 256.
bool largestEntry(const unsigned char* data, std::size_t size, Entry& best) {
    const std::size_t count = qFromLittleEndian<quint16>(data + 4);
    bool found = false;
    for (std::size_t i = 0; i < count && kDirectory + kEntry * (i + 1) <= size; ++i) {
        const unsigned char* e = data + kDirectory + kEntry * i;
        const long long w = e[0] ? e[0] : 256, h = e[1] ? e[1] : 256;
        const int depth = qFromLittleEndian<quint16>(e + 6);
        const std::size_t offset = qFromLittleEndian<quint32>(e + 12);
        if (offset < kDirectory || offset >= size)
            continue;
        if (!found || w * h > best.area || (w * h == best.area && depth > best.depth)) {
            best = {offset, w * h, depth};
            found = true;
        }
    }
    return found;
}

// The bitmap header of an icon picture; its height counts the colour rows and the mask rows.
struct Dib {
    int width = 0, height = 0, bits = 0;
    std::size_t headerSize = 0, colours = 0;
};

Status readDib(const unsigned char* p, std::size_t size, Dib& dib) {
    if (size < kInfoHeader)
        return Status::CorruptData;
    dib.headerSize = qFromLittleEndian<quint32>(p);
    const std::int32_t width = qFromLittleEndian<qint32>(p + 4);
    const std::int32_t height = qFromLittleEndian<qint32>(p + 8);
    dib.bits = qFromLittleEndian<quint16>(p + 14);
    const std::uint32_t compression = qFromLittleEndian<quint32>(p + 16);
    const std::uint32_t used = qFromLittleEndian<quint32>(p + 32);
    if (dib.headerSize < kInfoHeader || dib.headerSize > size || compression != 0 ||
        (dib.bits != 1 && dib.bits != 4 && dib.bits != 8 && dib.bits != 24 && dib.bits != 32))
        return Status::CorruptData;
    dib.width = width;
    dib.height = height / 2;
    if (!sizeAllowed(dib.width, dib.height))
        return width <= 0 || height <= 1 ? Status::CorruptData : Status::TooLarge;
    if (dib.bits <= 8)
        dib.colours = used > 0 && used < (1u << dib.bits) ? used : (1u << dib.bits);
    return Status::Ok;
}

std::size_t rowBytes(int width, int bits) {
    return (std::size_t(width) * std::size_t(bits) + 31) / 32 * 4;
}

// The colour of pixel x of a stored row, opaque.
QRgb colourAt(const unsigned char* row, int x, const Dib& dib,
              const std::array<QRgb, 256>& palette) {
    switch (dib.bits) {
    case 32:
    case 24: {
        const unsigned char* p = row + std::size_t(x) * std::size_t(dib.bits / 8);
        return qRgb(p[2], p[1], p[0]);
    }
    case 8:
        return palette[row[x]];
    case 4:
        return palette[(row[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F];
    default:
        return palette[(row[x / 8] >> (7 - x % 8)) & 1];
    }
}

// A 32-bit picture carries its own alpha, unless the fourth byte is zero everywhere (old
// writers); every other depth is opaque where the AND mask is 0 and transparent where it is 1.
bool usesOwnAlpha(const unsigned char* pixels, const Dib& dib) {
    if (dib.bits != 32)
        return false;
    for (int y = 0; y < dib.height; ++y) {
        const unsigned char* row = pixels + std::size_t(y) * rowBytes(dib.width, 32);
        for (int x = 0; x < dib.width; ++x)
            if (row[4 * x + 3] != 0)
                return true;
    }
    return false;
}

Status decodeDib(const unsigned char* p, std::size_t size, Picture& out) {
    Dib dib;
    Status status = readDib(p, size, dib);
    if (status != Status::Ok)
        return status;
    std::array<QRgb, 256> palette{};
    const std::size_t paletteEnd = dib.headerSize + dib.colours * 4;
    const std::size_t colourBytes = rowBytes(dib.width, dib.bits) * std::size_t(dib.height);
    if (paletteEnd > size || colourBytes > size - paletteEnd)
        return Status::CorruptData;
    for (std::size_t i = 0; i < dib.colours; ++i) {
        const unsigned char* c = p + dib.headerSize + 4 * i;
        palette[i] = qRgb(c[2], c[1], c[0]);
    }
    const unsigned char* pixels = p + paletteEnd;
    // A mask cut off by the end of the data leaves those pixels opaque.
    const unsigned char* mask = pixels + colourBytes;
    const std::size_t maskBytes = size - paletteEnd - colourBytes;
    const bool ownAlpha = usesOwnAlpha(pixels, dib);
    Picture picture;
    if ((status = allocatePicture(dib.width, dib.height, true, picture)) != Status::Ok)
        return status;
    const std::size_t maskRow = rowBytes(dib.width, 1);
    for (int y = 0; y < dib.height; ++y) {
        const int stored = dib.height - 1 - y; // rows are stored bottom-up
        const unsigned char* row = pixels + std::size_t(stored) * rowBytes(dib.width, dib.bits);
        auto* dst = reinterpret_cast<QRgb*>(picture.image().scanLine(y));
        for (int x = 0; x < dib.width; ++x) {
            const QRgb colour = colourAt(row, x, dib, palette);
            if (ownAlpha) {
                dst[x] = qPremultiply(
                    qRgba(qRed(colour), qGreen(colour), qBlue(colour), row[4 * x + 3]));
                continue;
            }
            const std::size_t at = std::size_t(stored) * maskRow + std::size_t(x / 8);
            const bool transparent = at < maskBytes && ((mask[at] >> (7 - x % 8)) & 1);
            dst[x] = transparent ? 0 : colour;
        }
    }
    out = std::move(picture);
    return Status::Ok;
}

} // namespace

bool isIcoData(const unsigned char* data, std::size_t size) {
    // ICONDIR: reserved 0, type 1 (icon), at least one entry whose header fits.
    return size >= kDirectory + kEntry && qFromLittleEndian<quint16>(data) == 0 &&
           qFromLittleEndian<quint16>(data + 2) == 1 && qFromLittleEndian<quint16>(data + 4) > 0;
}

Status decodeIco(const unsigned char* data, std::size_t size, Picture& out) {
    Entry entry;
    if (!largestEntry(data, size, entry))
        return Status::CorruptData;
    const unsigned char* p = data + entry.offset;
    const std::size_t left = size - entry.offset;
    if (isPngData(p, left))
        return decodePng(p, left, out);
    return decodeDib(p, left, out);
}

Status measureIco(const unsigned char* data, std::size_t size, QSize& out) {
    Entry entry;
    if (!largestEntry(data, size, entry))
        return Status::CorruptData;
    const unsigned char* p = data + entry.offset;
    const std::size_t left = size - entry.offset;
    if (isPngData(p, left))
        return measurePng(p, left, out);
    Dib dib;
    const Status status = readDib(p, left, dib);
    if (status == Status::Ok)
        out = QSize(dib.width, dib.height);
    return status;
}

} // namespace pix::imaging
