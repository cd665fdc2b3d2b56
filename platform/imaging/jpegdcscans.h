// Reads the DC coefficients of a progressive JPEG from its first scans, without the AC: what a
// picture at an eighth of its size is drawn from, in an int16 a block instead of 64.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pix::imaging::jpeg {

struct DcComponent {
    int id = 0;
    int h = 1, v = 1; // sampling factors
    int quantTable = 0;
    // The component's own block raster (its true extent) and the MCU grid's, which holds it.
    int blocksWide = 0, blocksHigh = 0;
    int paddedWide = 0, paddedHigh = 0;
    // The DC quantiser of the table in force when the component's first scan came.
    int q0 = 0;
    bool hasDc = false;
    std::vector<std::int16_t> dc; // paddedWide x paddedHigh, each value shifted left by Al
};

struct DcFrame {
    int width = 0, height = 0;
    int hMax = 1, vMax = 1;
    std::vector<DcComponent> components;
};

// Walks the markers of a progressive (SOF2, Huffman, 8-bit) JPEG from its start and decodes the
// scans that give each component its first DC bits, skipping the others, until every component
// has them. The frame must have the given size and number of components (what libjpeg read from
// the header). False when the data cannot give them: a missing or bad table, a component not in
// the frame, a code not in its table, a restart marker out of place, data that ends early, or
// anything else a decoder would have to guess about. Nothing is read past the last such scan.
bool readDcScans(const unsigned char* data, std::size_t size, int width, int height, int components,
                 DcFrame& frame);

// The bytes the DC of one component takes, for the memory estimate.
std::uint64_t dcComponentBytes(int width, int height, int hMax, int vMax, int h, int v);

} // namespace pix::imaging::jpeg
