#include "platform/imaging/bmpheader.h"

#include "platform/imaging/picture.h"

#include <algorithm>
#include <bit>
#include <iterator>

namespace pix::imaging::bmp {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kMaskOffset = 40; // bit-field masks inside a V2 or later info header

// Compression codes of the info header. OS/2 2.x headers give 3 and 4 other meanings.
enum : std::uint32_t {
    kRgb = 0,
    kRle8 = 1,
    kRle4 = 2,
    kBitFields = 3,
    kJpeg = 4,
    kPng = 5,
    kAlphaBitFields = 6,
    kCmyk = 11,
    kCmykRle8 = 12,
    kCmykRle4 = 13,
    kOs2Huffman = 3,
    kOs2Rle24 = 4,
};

enum class Kind { Core, Os2v2, Windows };

// The raw fields every header version shares, widened so that no check can overflow.
struct Fields {
    Kind kind = Kind::Windows;
    std::uint32_t headerSize = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
    int bitCount = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t colorsUsed = 0;
};

std::uint16_t u16(const unsigned char* p) {
    return std::uint16_t(p[0] | p[1] << 8);
}

std::uint32_t u32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

std::int32_t i32(const unsigned char* p) {
    return static_cast<std::int32_t>(u32(p));
}

// 12 bytes is the OS/2 1.x core header; 40, 52 and 56 are BITMAPINFOHEADER and its V2 and V3
// extensions; other sizes from 16 to 64 are OS/2 2.x headers, which may be cut short after any
// field; 108 (V4), 124 (V5) and any larger header are Windows headers.
bool classify(std::uint32_t headerSize, Kind& kind) {
    if (headerSize == 12) {
        kind = Kind::Core;
    } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize > 64) {
        kind = Kind::Windows;
    } else if (headerSize >= 16) {
        kind = Kind::Os2v2;
    } else {
        return false;
    }
    return true;
}

// base: where the info header starts, after the file header or at the start of a bare DIB.
Status readFields(const unsigned char* data, std::size_t size, std::size_t base, Fields& f) {
    if (size < base + 4)
        return Status::CorruptData;
    f.headerSize = u32(data + base);
    if (!classify(f.headerSize, f.kind) || f.headerSize > size - base)
        return Status::CorruptData;
    const unsigned char* h = data + base;
    if (f.kind == Kind::Core) {
        f.width = u16(h + 4);
        f.height = u16(h + 6);
        f.bitCount = u16(h + 10);
        return Status::Ok;
    }
    f.width = i32(h + 4);
    f.height = i32(h + 8);
    f.bitCount = u16(h + 14);
    // Fields an OS/2 2.x header leaves out read as zero.
    f.compression = f.headerSize >= 20 ? u32(h + 16) : kRgb;
    f.colorsUsed = f.headerSize >= 36 ? u32(h + 32) : 0;
    return Status::Ok;
}

Status expect(bool bitCountFits, Encoding encoding, Header& out) {
    out.encoding = encoding;
    return bitCountFits ? Status::Ok : Status::CorruptData;
}

Status chooseEncoding(const Fields& f, Header& out) {
    const int bits = f.bitCount;
    constexpr int kBitCounts[] = {1, 2, 4, 8, 16, 24, 32};
    if (bits == 64) // a valid layout (16-bit fixed-point channels) this decoder does not read
        return Status::UnknownImageFormat;
    if (std::find(std::begin(kBitCounts), std::end(kBitCounts), bits) == std::end(kBitCounts))
        return Status::CorruptData;
    if (f.kind == Kind::Os2v2 && f.compression == kOs2Huffman)
        return Status::UnknownImageFormat;
    if (f.kind == Kind::Os2v2 && f.compression == kOs2Rle24)
        return expect(bits == 24, Encoding::Rle24, out);
    switch (f.compression) {
    case kRgb:
        out.encoding = bits <= 8    ? Encoding::Indexed
                       : bits == 24 ? Encoding::Bgr24
                                    : Encoding::BitFields;
        return Status::Ok;
    case kRle8:
        return expect(bits == 8, Encoding::Rle8, out);
    case kRle4:
        return expect(bits == 4, Encoding::Rle4, out);
    case kBitFields:
    case kAlphaBitFields:
        return expect(bits == 16 || bits == 32, Encoding::BitFields, out);
    case kJpeg:
    case kPng:
    case kCmyk:
    case kCmykRle8:
    case kCmykRle4:
        return Status::UnknownImageFormat;
    default:
        return Status::CorruptData;
    }
}

// A mask must lie within the pixel and cover one run of adjacent bits.
bool makeChannel(std::uint32_t mask, int bitCount, Channel& c) {
    c = Channel{};
    if (mask == 0)
        return true;
    if (bitCount < 32 && (mask >> bitCount) != 0)
        return false;
    const int shift = std::countr_zero(mask);
    const std::uint32_t bits = mask >> shift;
    if ((bits & (bits + 1)) != 0)
        return false;
    c = Channel{mask, shift, std::popcount(mask)};
    return true;
}

// Without explicit masks, 16 bits are 5-5-5 and 32 bits are 8-8-8. The fourth byte of 32 bits
// is unused whatever it holds: many writers leave values there, and only bit fields with an
// alpha mask make a bitmap transparent.
void defaultMasks(int bitCount, std::uint32_t masks[4]) {
    if (bitCount == 16) {
        masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F, masks[3] = 0;
    } else {
        masks[0] = 0x00FF0000, masks[1] = 0x0000FF00, masks[2] = 0x000000FF, masks[3] = 0;
    }
}

// Explicit masks sit in a V2 or later header (alpha from V3 on) or, after a 40-byte header,
// follow it: three for BI_BITFIELDS, four for BI_ALPHABITFIELDS.
Status readMasks(const unsigned char* data, std::size_t size, std::size_t base, const Fields& f,
                 Header& out, std::size_t& bytesAfterHeader) {
    bytesAfterHeader = 0;
    if (out.encoding != Encoding::BitFields)
        return Status::Ok;
    std::uint32_t masks[4] = {};
    if (f.compression != kBitFields && f.compression != kAlphaBitFields) {
        defaultMasks(f.bitCount, masks);
    } else {
        const int wanted = f.compression == kAlphaBitFields ? 4 : 3;
        const int inHeader = f.headerSize >= 56 ? 4 : f.headerSize >= 52 ? 3 : 0;
        const int after = std::max(0, wanted - inHeader);
        bytesAfterHeader = std::size_t(after) * 4;
        const std::size_t afterStart = base + f.headerSize;
        if (bytesAfterHeader > size - afterStart)
            return Status::CorruptData;
        for (int i = 0; i < inHeader; ++i)
            masks[i] = u32(data + base + kMaskOffset + 4 * i);
        for (int i = 0; i < after; ++i)
            masks[inHeader + i] = u32(data + afterStart + 4 * i);
    }
    const bool overlap = (masks[0] & masks[1]) | (masks[0] & masks[2]) | (masks[0] & masks[3]) |
                         (masks[1] & masks[2]) | (masks[1] & masks[3]) | (masks[2] & masks[3]);
    if (overlap || !makeChannel(masks[0], f.bitCount, out.red) ||
        !makeChannel(masks[1], f.bitCount, out.green) ||
        !makeChannel(masks[2], f.bitCount, out.blue) ||
        !makeChannel(masks[3], f.bitCount, out.alpha))
        return Status::CorruptData;
    return Status::Ok;
}

// The palette follows the headers and masks. bfOffBits gives the pixels; when it is zero or
// points into the headers or past the end of the file, or when there is no file header, the
// pixels are taken to follow the palette directly.
Status placeData(const unsigned char* data, std::size_t size, std::size_t base, const Fields& f,
                 std::size_t maskBytes, Header& out) {
    out.paletteOffset = base + f.headerSize + maskBytes;
    out.paletteEntrySize = f.kind == Kind::Core ? 3 : 4;
    std::uint64_t entries = 0;
    if (f.bitCount <= 8) {
        const std::uint32_t most = 1u << f.bitCount;
        if (f.colorsUsed > most)
            return Status::CorruptData;
        out.paletteEntries = int(f.colorsUsed != 0 ? f.colorsUsed : most);
        entries = std::uint64_t(out.paletteEntries);
    } else if (f.colorsUsed <= 256) {
        // Some writers store a palette as a hint for display on 8-bit screens.
        entries = f.colorsUsed;
    }
    const std::uint64_t computed = out.paletteOffset + entries * out.paletteEntrySize;
    const std::uint32_t given = base == kFileHeaderSize ? u32(data + 10) : 0;
    const bool usable = given >= out.paletteOffset && given < size;
    out.pixelOffset = usable ? given : std::size_t(std::min<std::uint64_t>(computed, size));
    return Status::Ok;
}

} // namespace

namespace {

Status readHeaderAt(const unsigned char* data, std::size_t size, std::size_t base, Header& out) {
    out = Header{};
    if (data == nullptr)
        return Status::InvalidParameter;
    Fields f;
    Status status = readFields(data, size, base, f);
    if (status != Status::Ok)
        return status;
    if (f.width <= 0 || f.height == 0)
        return Status::CorruptData;
    const std::int64_t rows = f.height < 0 ? -f.height : f.height;
    if (!sizeAllowed(f.width, rows))
        return Status::TooLarge;
    out.width = int(f.width);
    out.height = int(rows);
    out.topDown = f.height < 0;
    out.bitCount = f.bitCount;
    if ((status = chooseEncoding(f, out)) != Status::Ok)
        return status;
    std::size_t maskBytes = 0;
    if ((status = readMasks(data, size, base, f, out, maskBytes)) != Status::Ok)
        return status;
    return placeData(data, size, base, f, maskBytes, out);
}

} // namespace

Status readHeader(const unsigned char* data, std::size_t size, Header& out) {
    if (data != nullptr && (size < 2 || data[0] != 'B' || data[1] != 'M'))
        return Status::UnknownImageFormat;
    return readHeaderAt(data, size, kFileHeaderSize, out);
}

Status readDibHeader(const unsigned char* data, std::size_t size, Header& out) {
    return readHeaderAt(data, size, 0, out);
}

bool looksLikeDib(const unsigned char* data, std::size_t size) {
    constexpr std::uint32_t kWindowsHeaders[] = {40, 52, 56, 108, 124};
    if (size < 40 || std::find(std::begin(kWindowsHeaders), std::end(kWindowsHeaders), u32(data)) ==
                         std::end(kWindowsHeaders))
        return false;
    constexpr int kBitCounts[] = {1, 2, 4, 8, 16, 24, 32};
    constexpr std::uint32_t kCompressions[] = {kRgb, kRle8, kRle4, kBitFields, kAlphaBitFields};
    const std::int32_t width = i32(data + 4), height = i32(data + 8);
    const int bits = u16(data + 14);
    const std::uint32_t colours = u32(data + 32);
    return width > 0 && width <= kMaxSide && height != 0 && height >= -kMaxSide &&
           height <= kMaxSide && u16(data + 12) == 1 &&
           std::find(std::begin(kBitCounts), std::end(kBitCounts), bits) != std::end(kBitCounts) &&
           std::find(std::begin(kCompressions), std::end(kCompressions), u32(data + 16)) !=
               std::end(kCompressions) &&
           colours <= (bits <= 8 ? 1u << bits : 256u);
}

} // namespace pix::imaging::bmp
