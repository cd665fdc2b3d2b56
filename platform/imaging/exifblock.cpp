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

} // namespace pix::imaging
