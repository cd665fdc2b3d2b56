// Reads the orientation tag of an EXIF block or of a JPEG's Exif segment. Every read is
// bounds-checked: the segment comes from the file and may lie about its own offsets.
#include "platform/imaging/exifblock.h"
#include "platform/imaging/jpegcodec.h"
#include "platform/imaging/jpegmetadata.h"

#include <cstdint>
#include <cstring>

namespace pix::imaging {

namespace {

class TiffReader {
public:
    TiffReader(const unsigned char* data, std::size_t size, bool bigEndian)
        : data_(data), size_(size), bigEndian_(bigEndian) {}

    bool u16(std::size_t offset, std::uint16_t& value) const {
        if (offset > size_ || size_ - offset < 2)
            return false;
        const unsigned char* p = data_ + offset;
        value = bigEndian_ ? std::uint16_t((p[0] << 8) | p[1]) : std::uint16_t(p[0] | (p[1] << 8));
        return true;
    }
    bool u32(std::size_t offset, std::uint32_t& value) const {
        std::uint16_t a = 0, b = 0;
        if (!u16(offset, a) || !u16(offset + 2, b))
            return false;
        value = bigEndian_ ? (std::uint32_t(a) << 16) | b : (std::uint32_t(b) << 16) | a;
        return true;
    }

private:
    const unsigned char* data_;
    std::size_t size_;
    bool bigEndian_;
};

} // namespace

// The orientation inside a TIFF structure (the body of the Exif segment).
int orientationFromTiff(const unsigned char* tiff, std::size_t size) {
    if (size < 8)
        return 1;
    const bool bigEndian = tiff[0] == 'M' && tiff[1] == 'M';
    if (!bigEndian && !(tiff[0] == 'I' && tiff[1] == 'I'))
        return 1;
    const TiffReader reader(tiff, size, bigEndian);
    std::uint32_t ifd = 0;
    std::uint16_t count = 0;
    if (!reader.u32(4, ifd) || !reader.u16(ifd, count))
        return 1;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t entry = std::size_t(ifd) + 2 + 12 * std::size_t(i);
        std::uint16_t tag = 0, type = 0, value = 0;
        if (!reader.u16(entry, tag) || !reader.u16(entry + 2, type))
            return 1;
        if (tag != 0x0112)
            continue;
        if (type != 3 || !reader.u16(entry + 8, value))
            return 1;
        return value >= 1 && value <= 8 ? value : 1;
    }
    return 1;
}

int jpegExifOrientation(const unsigned char* data, std::size_t size) {
    int orientation = 1;
    jpeg::forEachSegment(data, size, [&](const jpeg::Segment& s) {
        if (s.marker != 0xE1 || s.size < 6 || std::memcmp(s.body, "Exif\0\0", 6) != 0)
            return true;
        orientation = orientationFromTiff(s.body + 6, s.size - 6);
        return false;
    });
    return orientation;
}

int exifOrientation(const QByteArray& exif) {
    return orientationFromTiff(reinterpret_cast<const unsigned char*>(exif.constData()),
                               std::size_t(exif.size()));
}

} // namespace pix::imaging
