#include "platform/imaging/ftypbrands.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace pix::imaging {

namespace {

bool isOneOf(const unsigned char* brand, std::initializer_list<const char*> brands) {
    for (const char* wanted : brands) {
        if (std::memcmp(brand, wanted, 4) == 0)
            return true;
    }
    return false;
}

} // namespace

bool hasFtypBrand(const unsigned char* data, std::size_t size,
                  std::initializer_list<const char*> brands) {
    if (size < 16 || std::memcmp(data + 4, "ftyp", 4) != 0)
        return false;
    const std::uint32_t boxSize = (std::uint32_t(data[0]) << 24) | (std::uint32_t(data[1]) << 16) |
                                  (std::uint32_t(data[2]) << 8) | std::uint32_t(data[3]);
    if (boxSize < 16)
        return false; // a 64-bit size or a box too short for its two fixed fields
    if (isOneOf(data + 8, brands))
        return true;
    // After the major brand and the minor version, the compatible brands fill the box.
    const std::size_t end = std::min<std::size_t>(boxSize, size);
    for (std::size_t at = 16; at + 4 <= end; at += 4) {
        if (isOneOf(data + at, brands))
            return true;
    }
    return false;
}

} // namespace pix::imaging
