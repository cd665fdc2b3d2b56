#include "platform/imaging/exifblock.h"

#include <cstring>

namespace pix::imaging {

QByteArray exifTiffBlock(const unsigned char* data, std::size_t size) {
    if (size >= 6 && std::memcmp(data, "Exif\0\0", 6) == 0) {
        data += 6;
        size -= 6;
    }
    if (size < 8 || (std::memcmp(data, "II*\0", 4) != 0 && std::memcmp(data, "MM\0*", 4) != 0))
        return {};
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

QByteArray exifTiffBlockAfterOffset(const unsigned char* data, std::size_t size) {
    QByteArray block = exifTiffBlock(data, size);
    if (!block.isEmpty() || size <= 4)
        return block;
    const std::size_t offset = (std::size_t(data[0]) << 24) | (std::size_t(data[1]) << 16) |
                               (std::size_t(data[2]) << 8) | data[3];
    return offset < size - 4 ? exifTiffBlock(data + 4 + offset, size - 4 - offset) : QByteArray();
}

} // namespace pix::imaging
