// Checks of a PNG's chunk framing, made before libpng sees the data: libpng allocates a chunk's
// declared length before reading it, so a few hostile bytes could otherwise ask for gigabytes.
#pragma once

#include <cstddef>

namespace pix::imaging {

// True when the data starts with the PNG signature.
bool isPngData(const unsigned char* data, std::size_t size);

// Every chunk up to and including IEND lies within the data: what decoding reads.
bool pngChunksFit(const unsigned char* data, std::size_t size);

// Every chunk before the first IDAT lies within the data: what reading the header reads
// (text, profile and other metadata chunks come before the pixels).
bool pngHeaderChunksFit(const unsigned char* data, std::size_t size);

// The compressed image data is enough to expand to the rows the header claims. A PNG whose few
// bytes claim a gigabyte picture is refused before the picture is allocated.
bool pngDataCanHoldImage(const unsigned char* data, std::size_t size);

} // namespace pix::imaging
