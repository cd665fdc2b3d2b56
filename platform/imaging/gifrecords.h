// The records of a GIF file up to the first image's pixel data: the logical screen, the colour
// maps, the graphics control block that applies to the first image, and its descriptor.
#pragma once

#include "platform/imaging/status.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pix::imaging {

struct GifFirstImage {
    int screenWidth = 0, screenHeight = 0;
    int left = 0, top = 0, width = 0, height = 0;
    bool interlaced = false;
    bool hasColourMap = false;         // a local map, else the global one, was present
    std::vector<std::uint8_t> colours; // red, green, blue of each entry of that map
    int transparentIndex = -1;         // -1: none
    int minimumCodeSize = 0;           // 0 to 11; larger sizes are refused
    std::size_t dataOffset = 0;        // the first data sub-block's length byte
};

// Reads the records before the first image's data. UnknownImageFormat when the data does not
// start as a GIF; CorruptData (with its reason noted as the decode's detail) when the records
// end, are unknown or name an image of no pixels or a code size with no room for codes.
Status readGifFirstImage(const unsigned char* data, std::size_t size, GifFirstImage& out);

} // namespace pix::imaging
