#include "platform/imaging/tiffsamples.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace pix::imaging::tiff {

namespace {

// The unit the data is stored in: one tile, or one strip of the full width.
struct Blocks {
    bool tiled = false;
    std::uint32_t width = 0, height = 0; // pixels of one block
    std::uint64_t bytes = 0;             // one block of one plane, decoded
    std::uint64_t rowBytes = 0;          // one row of one block of one plane
};

Status readBlocks(TIFF* tiff, const SampleLayout& layout, Blocks& blocks) {
    blocks.tiled = TIFFIsTiled(tiff) != 0;
    if (blocks.tiled) {
        if (!TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &blocks.width) ||
            !TIFFGetField(tiff, TIFFTAG_TILELENGTH, &blocks.height))
            return Status::CorruptData;
        blocks.bytes = TIFFTileSize64(tiff);
        blocks.rowBytes = TIFFTileRowSize64(tiff);
    } else {
        std::uint32_t rowsPerStrip = 0;
        TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
        blocks.width = layout.width;
        blocks.height = std::min(rowsPerStrip, layout.height);
        blocks.bytes = TIFFStripSize64(tiff);
        blocks.rowBytes = TIFFScanlineSize64(tiff);
    }
    if (blocks.width == 0 || blocks.height == 0 || blocks.rowBytes == 0 ||
        blocks.rowBytes * blocks.height > blocks.bytes)
        return Status::CorruptData;
    return Status::Ok;
}

// Decodes one strip or tile of one plane; false unless every byte of it was read.
bool readBlock(TIFF* tiff, const Blocks& blocks, std::uint32_t x, std::uint32_t y,
               std::uint32_t rows, std::uint16_t plane, std::vector<unsigned char>& buffer) {
    const auto size = tmsize_t(blocks.bytes);
    if (blocks.tiled)
        return TIFFReadEncodedTile(tiff, TIFFComputeTile(tiff, x, y, 0, plane), buffer.data(),
                                   size) == size;
    // The last strip holds only the rows that are left.
    const auto expected = tmsize_t(blocks.rowBytes * rows);
    return TIFFReadEncodedStrip(tiff, TIFFComputeStrip(tiff, y, plane), buffer.data(), size) ==
           expected;
}

// Two bytes beyond every buffer let a sample of up to 16 bits be read as a three-byte window.
constexpr std::size_t kPadding = 2;

// The index-th sample of a row of packed samples: whole bytes at 8 bits, native 16- and 32-bit
// words at 16 and 32 (libtiff has put them in the machine's order), otherwise packed most
// significant bit first.
std::uint32_t sampleAt(const unsigned char* row, std::uint64_t index, unsigned bits) {
    if (bits == 8)
        return row[index];
    if (bits == 16) {
        std::uint16_t v = 0;
        std::memcpy(&v, row + 2 * index, 2);
        return v;
    }
    if (bits == 32) {
        std::uint32_t v = 0;
        std::memcpy(&v, row + 4 * index, 4);
        return v;
    }
    const std::uint64_t bit = index * bits;
    const unsigned char* p = row + bit / 8;
    const std::uint32_t window = (std::uint32_t(p[0]) << 16) | (std::uint32_t(p[1]) << 8) | p[2];
    return (window >> (24 - bit % 8 - bits)) & ((1u << bits) - 1);
}

} // namespace

Status readSampleRows(TIFF* tiff, const SampleLayout& layout, const SampleRowSink& sink) {
    if (layout.bits == 0 || (layout.bits > 16 && layout.bits != 32) || layout.samples == 0)
        return Status::CorruptData;
    Blocks blocks;
    if (const Status status = readBlocks(tiff, layout, blocks); status != Status::Ok)
        return status;
    std::uint16_t planar = PLANARCONFIG_CONTIG;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
    const bool separate = planar == PLANARCONFIG_SEPARATE && layout.samples > 1;
    const unsigned samples = layout.samples, planes = separate ? samples : 1;
    try {
        std::vector<std::vector<unsigned char>> buffers(
            planes, std::vector<unsigned char>(std::size_t(blocks.bytes) + kPadding));
        std::vector<std::uint32_t> values(std::size_t(blocks.width) * samples);
        for (std::uint64_t y = 0; y < layout.height; y += blocks.height) {
            const auto rows =
                std::uint32_t(std::min<std::uint64_t>(blocks.height, layout.height - y));
            for (std::uint64_t x = 0; x < layout.width; x += blocks.width) {
                const auto count =
                    std::uint32_t(std::min<std::uint64_t>(blocks.width, layout.width - x));
                for (unsigned p = 0; p < planes; ++p)
                    if (!readBlock(tiff, blocks, std::uint32_t(x), std::uint32_t(y), rows,
                                   std::uint16_t(p), buffers[p]))
                        return Status::CorruptData;
                for (std::uint32_t r = 0; r < rows; ++r) {
                    const std::size_t offset = std::size_t(blocks.rowBytes) * r;
                    for (std::uint32_t c = 0; c < count; ++c)
                        for (unsigned s = 0; s < samples; ++s)
                            values[std::size_t(c) * samples + s] =
                                separate ? sampleAt(buffers[s].data() + offset, c, layout.bits)
                                         : sampleAt(buffers[0].data() + offset,
                                                    std::uint64_t(c) * samples + s, layout.bits);
                    sink(std::uint32_t(x), std::uint32_t(y + r), count, values.data());
                }
            }
        }
    } catch (const std::bad_alloc&) {
        return Status::OutOfMemory;
    }
    return Status::Ok;
}

Alpha alphaSample(TIFF* tiff, std::uint16_t colourSamples) {
    std::uint16_t extraCount = 0;
    const std::uint16_t* extraTypes = nullptr;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes);
    std::uint16_t samples = 1;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    Alpha alpha;
    // A file may declare an extra sample that its samples per pixel leave no room for: no alpha
    // is read then, rather than a sample beyond the pixel's.
    if (extraCount > 0 && extraTypes && colourSamples < samples &&
        (extraTypes[0] == EXTRASAMPLE_ASSOCALPHA || extraTypes[0] == EXTRASAMPLE_UNASSALPHA)) {
        alpha.sample = colourSamples;
        alpha.associated = extraTypes[0] == EXTRASAMPLE_ASSOCALPHA;
    }
    return alpha;
}

} // namespace pix::imaging::tiff
