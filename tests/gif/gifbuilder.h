// Builds GIF files byte by byte, for cases no encoder writes: missing colour maps, broken screens,
// frames outside the screen, indices beyond the map.
#pragma once

#include <QByteArray>
#include <QRgb>
#include <cstdint>
#include <vector>

namespace pix::imaging::test {

struct GifFrame {
    int left = 0, top = 0, width = 1, height = 1;
    std::vector<std::uint8_t> indices{}; // width * height, row by row
    std::vector<QRgb> localColours{};    // none: no local colour map
    int transparentIndex = -1;           // -1: no graphics control block
};

class GifBuilder {
public:
    GifBuilder(int screenWidth, int screenHeight, std::vector<QRgb> globalColours = {});
    GifBuilder& frame(const GifFrame& frame);
    QByteArray finish(); // appends the trailer

private:
    QByteArray bytes_;
};

} // namespace pix::imaging::test
