#include "platform/imaging/pngchunks.h"

#include <QtEndian>
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

} // namespace pix::imaging
