#include "platform/imaging/bmpencoder.h"

#include <QtEndian>
#include <vector>

namespace pix::imaging {

namespace {

constexpr int kFileHeader = 14;
constexpr int kInfoHeader = 40;

void put16(unsigned char*& p, std::uint16_t v) {
    qToLittleEndian(v, p);
    p += 2;
}
void put32(unsigned char*& p, std::uint32_t v) {
    qToLittleEndian(v, p);
    p += 4;
}

} // namespace

Status encodeBmp(const Picture& picture, QIODevice& device) {
    if (picture.isNull())
        return Status::InvalidParameter;
    const int width = picture.width(), height = picture.height();
    const std::uint32_t stride = (std::uint32_t(width) * 3 + 3) & ~3u;
    const std::uint64_t imageBytes = std::uint64_t(stride) * std::uint32_t(height);
    const std::uint64_t fileBytes = kFileHeader + kInfoHeader + imageBytes;
    if (fileBytes > 0xFFFFFFFFu)
        return Status::TooLarge; // the format's size fields are 32-bit

    unsigned char header[kFileHeader + kInfoHeader] = {};
    unsigned char* p = header;
    *p++ = 'B';
    *p++ = 'M';
    put32(p, std::uint32_t(fileBytes));
    put32(p, 0);
    put32(p, kFileHeader + kInfoHeader);
    put32(p, kInfoHeader);
    put32(p, std::uint32_t(width));
    put32(p, std::uint32_t(height)); // positive: rows bottom-up
    put16(p, 1);
    put16(p, 24);
    put32(p, 0); // BI_RGB
    put32(p, std::uint32_t(imageBytes));
    put32(p, 3780); // 96 dpi in pixels per metre
    put32(p, 3780);
    if (device.write(reinterpret_cast<const char*>(header), sizeof header) != sizeof header)
        return Status::WriteFailed;

    // 24 bits hold no alpha: translucent pixels are flattened onto white.
    const QImage image = flattenedOnWhite(picture);
    if (image.isNull())
        return Status::OutOfMemory;
    std::vector<unsigned char> row(stride, 0);
    for (int y = height - 1; y >= 0; --y) {
        const auto* src = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        unsigned char* out = row.data();
        for (int x = 0; x < width; ++x) {
            *out++ = std::uint8_t(qBlue(src[x]));
            *out++ = std::uint8_t(qGreen(src[x]));
            *out++ = std::uint8_t(qRed(src[x]));
        }
        if (device.write(reinterpret_cast<const char*>(row.data()), stride) != qint64(stride))
            return Status::WriteFailed;
    }
    return Status::Ok;
}

} // namespace pix::imaging
