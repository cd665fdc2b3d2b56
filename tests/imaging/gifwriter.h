// Writes GIF files byte by byte with an LZW compressor of any minimum code size, for the variants
// no encoder at hand writes: missing colour maps, indices beyond the map, code sizes above 8,
// frames larger than or outside their screen, a table that fills up without a clear code.
#pragma once

#include "platform/imaging/picture.h"
#include "platform/imaging/status.h"

#include <QByteArray>
#include <QRgb>
#include <QSize>
#include <cstdint>
#include <vector>

namespace pix::imaging::test {

struct GifLzwOptions {
    int minimumCodeSize = 8; // 0 in a frame: the smallest that holds its indices, at least 2
    // When the table is full: a clear code, or keep using the full table as encoders may.
    bool clearWhenFull = true;
};

// The LZW codes of the indices (each below 1 << minimumCodeSize) in data sub-blocks, ending
// with the chain's terminator; the code size byte is not included.
QByteArray gifLzwBlocks(const std::vector<std::uint16_t>& indices, const GifLzwOptions& options);

struct GifFrame {
    int left = 0, top = 0, width = 1, height = 1;
    std::vector<std::uint16_t> indices{}; // width * height, in display order
    std::vector<QRgb> localColours{};     // none: no local colour map
    int transparentIndex = -1;            // -1: no graphics control block
    bool interlaced = false;              // rows are then stored in the four passes' order
    GifLzwOptions lzw{.minimumCodeSize = 0};
    int codeSizeByte = -1; // written instead of the minimum code size when >= 0
};

// A file of any number of frames on one screen.
class GifBuilder {
public:
    // The global colour map is padded to a power of two; none: no map.
    GifBuilder(int screenWidth, int screenHeight, const std::vector<QRgb>& globalColours = {});
    GifBuilder& frame(const GifFrame& frame);
    QByteArray finish() const; // the file so far, with its trailer

private:
    QByteArray bytes_;
};

// A file of one frame.
struct GifImage {
    int screenWidth = 1, screenHeight = 1;
    int left = 0, top = 0, width = 1, height = 1;
    std::vector<QRgb> colours{};          // the global map; none: no map
    std::vector<std::uint16_t> indices{}; // width * height, in display order
    int transparentIndex = -1;            // -1: no graphics control block
    bool interlaced = false;
    GifLzwOptions lzw{};
    int codeSizeByte = -1;
};

QByteArray writeGif(const GifImage& image);

// The GIF decoder's picture, or size, of a file held in memory.
Status decodeGifBytes(const QByteArray& bytes, Picture& out);
Status measureGifBytes(const QByteArray& bytes, QSize& size);

} // namespace pix::imaging::test
