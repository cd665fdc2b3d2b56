#include "platform/wmf/wmfdib.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <vector>

namespace pix::wmf {

namespace {

// Larger bitmaps are not decoded: no metafile needs a bitmap of more than 16 megapixels, and
// each takes a few copies on its way to the target.
constexpr std::uint64_t MaxPixels = std::uint64_t(1) << 24;
constexpr std::uint32_t BiRgb = 0;
constexpr std::uint32_t BiBitfields = 3;

std::uint16_t le16(const unsigned char* p) {
    return std::uint16_t(p[0] | (p[1] << 8));
}
std::uint32_t le32(const unsigned char* p) {
    return le16(p) | (std::uint32_t(le16(p + 2)) << 16);
}

struct Layout {
    std::int64_t width = 0;
    std::int64_t height = 0; // rows, positive
    bool bottomUp = true;
    int bpp = 0;
    std::uint32_t compression = BiRgb;
    std::array<std::uint32_t, 3> masks{}; // red, green, blue
    std::vector<QRgb> table;
    std::uint64_t tableEntries = 0;
    int entryBytes = 4;
    std::uint64_t bitsOffset = 0; // header, masks and table
};

bool supportedDepth(int bpp) {
    return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
}

void defaultMasks(Layout& l) {
    if (l.bpp == 16)
        l.masks = {0x7C00, 0x03E0, 0x001F};
    else
        l.masks = {0xFF0000, 0x00FF00, 0x0000FF};
}

BitmapStatus readCoreHeader(const unsigned char* d, std::size_t size, Layout& l) {
    if (size < 12)
        return BitmapStatus::Malformed;
    l.width = le16(d + 4);
    l.height = le16(d + 6);
    l.bpp = le16(d + 10);
    l.entryBytes = 3;
    l.tableEntries = l.bpp <= 8 ? (std::uint64_t(1) << l.bpp) : 0;
    l.bitsOffset = 12;
    return BitmapStatus::Ok;
}

BitmapStatus readInfoHeader(const unsigned char* d, std::size_t size, std::uint32_t headerSize,
                            Layout& l) {
    if (headerSize < 40 || headerSize > size)
        return BitmapStatus::Malformed;
    l.width = static_cast<std::int32_t>(le32(d + 4));
    const std::int64_t height = static_cast<std::int32_t>(le32(d + 8));
    l.bottomUp = height > 0;
    l.height = height < 0 ? -height : height;
    l.bpp = le16(d + 14);
    l.compression = le32(d + 16);
    const std::uint32_t used = le32(d + 32);
    l.tableEntries = used != 0 ? used : (l.bpp <= 8 ? (std::uint64_t(1) << l.bpp) : 0);
    l.bitsOffset = headerSize;
    defaultMasks(l);
    if (l.compression == BiBitfields) {
        // The masks follow a 40-byte header; the larger headers hold them at the same place.
        if (size < 52)
            return BitmapStatus::Malformed;
        l.masks = {le32(d + 40), le32(d + 44), le32(d + 48)};
        if (headerSize == 40)
            l.bitsOffset += 12;
    }
    return BitmapStatus::Ok;
}

BitmapStatus readColorTable(const unsigned char* d, std::size_t size, Layout& l) {
    const std::uint64_t bytes = l.tableEntries * std::uint64_t(l.entryBytes);
    if (l.bitsOffset + bytes > size)
        return BitmapStatus::Malformed;
    if (l.bpp <= 8) {
        const std::uint64_t count = std::min<std::uint64_t>(l.tableEntries, 256);
        const unsigned char* p = d + l.bitsOffset;
        for (std::uint64_t i = 0; i < count; ++i, p += l.entryBytes)
            l.table.push_back(qRgb(p[2], p[1], p[0]));
    }
    l.bitsOffset += bytes;
    return BitmapStatus::Ok;
}

int channel(std::uint32_t value, std::uint32_t mask) {
    if (mask == 0)
        return 0;
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask >> shift);
    const std::uint64_t max = (std::uint64_t(1) << bits) - 1;
    return int(((value & mask) >> shift) * 255 / max);
}

QRgb indexed(const Layout& l, unsigned index) {
    return index < l.table.size() ? l.table[index] : qRgb(0, 0, 0);
}

void decodeRow(const unsigned char* src, const Layout& l, QRgb* dst) {
    for (std::int64_t x = 0; x < l.width; ++x) {
        switch (l.bpp) {
        case 1:
        case 4:
        case 8: {
            const std::int64_t bit = x * l.bpp;
            const int shift = 8 - l.bpp - int(bit % 8);
            dst[x] = indexed(l, (src[bit / 8] >> shift) & ((1u << l.bpp) - 1));
            break;
        }
        case 24:
            dst[x] = qRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
            break;
        default: {
            const std::uint32_t v = l.bpp == 16 ? le16(src + 2 * x) : le32(src + 4 * x);
            dst[x] = qRgb(channel(v, l.masks[0]), channel(v, l.masks[1]), channel(v, l.masks[2]));
            break;
        }
        }
    }
}

DecodedBitmap decodePixels(const unsigned char* d, std::size_t size, const Layout& l) {
    DecodedBitmap out;
    const std::uint64_t stride = ((std::uint64_t(l.width) * l.bpp + 31) / 32) * 4;
    // Divided rather than multiplied, so that absurd dimensions cannot overflow the check.
    if (std::uint64_t(l.height) > (size - l.bitsOffset) / stride) {
        out.status = BitmapStatus::Malformed;
        return out;
    }
    if (std::uint64_t(l.width) * std::uint64_t(l.height) > MaxPixels)
        return out; // unsupported
    QImage image(int(l.width), int(l.height), QImage::Format_RGB32);
    if (image.isNull())
        return out;
    for (std::int64_t row = 0; row < l.height; ++row) {
        const std::int64_t y = l.bottomUp ? l.height - 1 - row : row;
        decodeRow(d + l.bitsOffset + std::uint64_t(row) * stride, l,
                  reinterpret_cast<QRgb*>(image.scanLine(int(y))));
    }
    out.status = BitmapStatus::Ok;
    out.image = std::move(image);
    out.bottomUp = l.bottomUp;
    out.monochrome = l.bpp == 1;
    return out;
}

} // namespace

DecodedBitmap decodeDib(const unsigned char* data, std::size_t size, int colorUsage,
                        std::int64_t rowLimit) {
    DecodedBitmap failed;
    failed.status = BitmapStatus::Malformed;
    if (data == nullptr || size < 4)
        return failed;
    Layout layout;
    const std::uint32_t headerSize = le32(data);
    BitmapStatus status = headerSize == 12 ? readCoreHeader(data, size, layout)
                                           : readInfoHeader(data, size, headerSize, layout);
    if (status != BitmapStatus::Ok)
        return failed;
    if (layout.width <= 0 || layout.height <= 0)
        return failed;
    if (rowLimit >= 0 && rowLimit < layout.height)
        layout.height = rowLimit;
    failed.status = BitmapStatus::Unsupported;
    const bool plain = layout.compression == BiRgb || (layout.compression == BiBitfields &&
                                                       (layout.bpp == 16 || layout.bpp == 32));
    if (!supportedDepth(layout.bpp) || !plain || (colorUsage != 0 && layout.bpp <= 8))
        return failed;
    status = readColorTable(data, size, layout);
    if (status != BitmapStatus::Ok) {
        failed.status = status;
        return failed;
    }
    return decodePixels(data, size, layout);
}

DecodedBitmap decodeBitmap16(const unsigned char* data, std::size_t size, std::size_t headerSize) {
    DecodedBitmap out;
    out.status = BitmapStatus::Malformed;
    if (data == nullptr || size < headerSize || headerSize < 10)
        return out;
    const std::int64_t width = static_cast<std::int16_t>(le16(data + 2));
    const std::int64_t height = static_cast<std::int16_t>(le16(data + 4));
    const std::int64_t widthBytes = static_cast<std::int16_t>(le16(data + 6));
    const int planes = data[8], bpp = data[9];
    if (width <= 0 || height <= 0 || widthBytes <= 0)
        return out;
    if (widthBytes < (width * bpp + 15) / 16 * 2 ||
        widthBytes * height > std::int64_t(size - headerSize))
        return out;
    out.status = BitmapStatus::Unsupported;
    if (planes != 1 || (bpp != 1 && bpp != 24 && bpp != 32) ||
        std::uint64_t(width * height) > MaxPixels)
        return out;
    Layout layout;
    layout.width = width;
    layout.height = height;
    layout.bpp = bpp;
    layout.bottomUp = false;
    layout.table = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
    defaultMasks(layout);
    QImage image(int(width), int(height), QImage::Format_RGB32);
    if (image.isNull())
        return out;
    for (std::int64_t y = 0; y < height; ++y)
        decodeRow(data + headerSize + std::size_t(y * widthBytes), layout,
                  reinterpret_cast<QRgb*>(image.scanLine(int(y))));
    out.status = BitmapStatus::Ok;
    out.image = std::move(image);
    out.bottomUp = false;
    out.monochrome = bpp == 1;
    return out;
}

} // namespace pix::wmf
