// Decoding of the bitmaps embedded in records: device-independent bitmaps and the older
// device-dependent Bitmap16 form.
#pragma once

#include <QImage>
#include <cstddef>
#include <cstdint>

namespace pix::wmf {

enum class BitmapStatus {
    Ok,
    Unsupported, // a valid bitmap in a form not decoded here (compressed, palette-indexed)
    Malformed,   // the header is inconsistent or the pixels run past the data
};

struct DecodedBitmap {
    BitmapStatus status = BitmapStatus::Unsupported;
    QImage image;         // rows top to bottom
    bool bottomUp = true; // the rows were stored bottom to top
    bool monochrome = false;
};

// A packed DIB: BITMAPINFOHEADER or BITMAPCOREHEADER, colour table, then the pixels. 1, 4, 8,
// 16, 24 and 32 bits per pixel, uncompressed or with bit-field masks; colour tables of RGB
// values only (colorUsage 0). With a row limit only that many stored rows are present (a band
// of a bitmap sent in parts); the image is that band.
DecodedBitmap decodeDib(const unsigned char* data, std::size_t size, int colorUsage,
                        std::int64_t rowLimit = -1);

// A Bitmap16 object: type, width, height, bytes per row, planes, bits per pixel, then the
// pixels top row first (headerSize is 10 in blits, 32 in pattern brush records). Monochrome
// bitmaps come back black on white, marked monochrome so the caller can recolour them.
DecodedBitmap decodeBitmap16(const unsigned char* data, std::size_t size, std::size_t headerSize);

} // namespace pix::wmf
