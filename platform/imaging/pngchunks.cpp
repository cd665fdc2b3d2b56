#include "platform/imaging/pngchunks.h"

#include <QtEndian>
#include <cstdint>
#include <cstring>

namespace pix::imaging {

namespace {

// Walks the chunks until one named `last`; false when a chunk runs past the data or the data
// ends first.
bool chunksFitUntil(const unsigned char* data, std::size_t size, const char* last) {
    constexpr std::size_t kSignature = 8, kChunkOverhead = 12; // length, type, checksum
    if (!isPngData(data, size))
        return false;
    std::size_t at = kSignature;
    while (at + kChunkOverhead <= size) {
        const std::size_t length = qFromBigEndian<quint32>(data + at);
        if (length > size - at - kChunkOverhead)
            return false;
        if (std::memcmp(data + at + 4, last, 4) == 0)
            return true;
        at += kChunkOverhead + length;
    }
    return false;
}

} // namespace

bool isPngData(const unsigned char* data, std::size_t size) {
    return size >= 8 && std::memcmp(data, "\x89PNG\r\n\x1A\n", 8) == 0;
}

bool pngChunksFit(const unsigned char* data, std::size_t size) {
    return chunksFitUntil(data, size, "IEND");
}

bool pngHeaderChunksFit(const unsigned char* data, std::size_t size) {
    return chunksFitUntil(data, size, "IDAT");
}

bool pngDataCanHoldImage(const unsigned char* data, std::size_t size) {
    constexpr std::size_t kSignature = 8, kChunkOverhead = 12;
    // IHDR comes first: width, height, bit depth, colour type, compression, filter, interlace.
    if (!isPngData(data, size) || size < kSignature + kChunkOverhead + 13 ||
        std::memcmp(data + 12, "IHDR", 4) != 0)
        return false;
    const std::uint64_t width = qFromBigEndian<quint32>(data + 16);
    const std::uint64_t height = qFromBigEndian<quint32>(data + 20);
    const unsigned depth = data[24], colourType = data[25];
    const unsigned channels = colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
    // Every row starts with its filter byte; an interlaced picture has a little more in its
    // seven passes, which the slack below covers.
    const std::uint64_t rawBytes = height * (1 + (width * channels * depth + 7) / 8);
    std::uint64_t compressed = 0;
    std::size_t at = kSignature;
    while (at + kChunkOverhead <= size) {
        const std::size_t length = qFromBigEndian<quint32>(data + at);
        if (length > size - at - kChunkOverhead)
            break;
        if (std::memcmp(data + at + 4, "IDAT", 4) == 0)
            compressed += length;
        at += kChunkOverhead + length;
    }
    // Deflate expands at most 1032 times.
    constexpr std::uint64_t kExpansion = 1032, kSlack = 1 << 20;
    return rawBytes <= compressed * kExpansion + kSlack;
}

} // namespace pix::imaging
