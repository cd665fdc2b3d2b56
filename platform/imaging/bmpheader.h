// The headers of a Windows or OS/2 bitmap file, read into one description of the pixel layout.
// Private to the BMP decoder.
#pragma once

#include "platform/imaging/status.h"

#include <cstddef>
#include <cstdint>

namespace pix::imaging::bmp {

enum class Encoding {
    Indexed,   // 1, 2, 4 or 8 bits per pixel through the palette
    Bgr24,     // 24 bits, blue, green, red
    BitFields, // 16 or 32 bits split by channel masks (also the default 5-5-5 and 8-8-8 layouts)
    Rle8,
    Rle4,
    Rle24, // OS/2 2.x run-length encoded 24-bit pixels
};

// One colour channel of a bit-field pixel. An empty mask gives 0 (or full alpha).
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int width = 0; // bits in the mask, 0 to 32
};

struct Header {
    int width = 0;
    int height = 0; // always positive; topDown tells the row order
    bool topDown = false;
    int bitCount = 0;
    Encoding encoding = Encoding::Indexed;
    Channel red, green, blue, alpha;
    int paletteEntries = 0;   // declared entries, 0 when the picture uses no palette
    int paletteEntrySize = 4; // 3 in OS/2 1.x files
    std::size_t paletteOffset = 0;
    std::size_t pixelOffset = 0; // bfOffBits, or computed from the headers when it is unusable
};

// Reads and checks the file header, the info header and the bit-field masks. The size is
// checked against sizeAllowed(); the palette and the pixels are not read.
// UnknownImageFormat: not a bitmap file, or a kind this decoder does not read (embedded JPEG or
// PNG, OS/2 Huffman, 64 bits per pixel). CorruptData: truncated or contradictory headers.
Status readHeader(const unsigned char* data, std::size_t size, Header& out);

// The same for a bare DIB: the info header first, as the clipboard stores a bitmap, the palette
// and the pixels right after it.
Status readDibHeader(const unsigned char* data, std::size_t size, Header& out);

// True when the data starts with a plausible Windows info header (40 bytes or one of its
// extensions, one plane, a bit count and compression this decoder knows, a size within bounds).
bool looksLikeDib(const unsigned char* data, std::size_t size);

} // namespace pix::imaging::bmp
