// Writes small TIFF files with libtiff in the layouts the decoder must read, and hand-made
// hostile ones.
#pragma once

#include <QByteArray>
#include <cstdint>
#include <functional>

namespace pix::imaging::test {

struct TiffShape {
    int width = 8, height = 6;
    int samples = 3, bits = 8;
    int photometric = 2;          // PHOTOMETRIC_RGB
    bool planar = false;          // one plane per sample
    bool tiled = false;           // 16 x 16 tiles instead of strips
    int rowsPerStrip = 2;         // strips of a few rows, so that several are read
    int extraSample = -1;         // EXTRASAMPLE_* of the last sample, none when negative
    int compression = 1;          // COMPRESSION_NONE
    int sampleFormat = 1;         // SAMPLEFORMAT_UINT; 3 (IEEEFP) takes the samples' bits as floats
    float whitePoint[2] = {0, 0}; // the WhitePoint tag's chromaticity x, y; none when 0
    int orientation = 1;
    bool bigTiff = false;
    bool bigEndian = false; // "MM" byte order instead of the machine's
    // The stored value of sample s at (x, y), in the range of `bits` (of 32-bit floats, the
    // float's bits).
    std::function<std::uint32_t(int x, int y, int s)> sample;
};

QByteArray writeTiff(const TiffShape& shape);

// A classic little-endian TIFF with one directory of the given tags (type SHORT when the value
// fits 16 bits, otherwise LONG) followed by `body` bytes of pixel data, where the tag
// StripOffsets (273) is set to point.
QByteArray handMadeTiff(std::initializer_list<std::pair<std::uint16_t, std::uint32_t>> tags,
                        const QByteArray& body);

} // namespace pix::imaging::test
