// Windows and OS/2 bitmap files: every header version, 1 to 32 bits, bit fields, RLE; and bare
// DIBs.
#pragma once

#include "platform/imaging/picture.h"

#include <QSize>
#include <cstddef>

namespace pix::imaging {

Status decodeBmp(const unsigned char* data, std::size_t size, Picture& out);
Status measureBmp(const unsigned char* data, std::size_t size, QSize& size_out);

// A bare DIB, the info header first as the clipboard stores a bitmap, recognised by that header.
bool isDibData(const unsigned char* data, std::size_t size);
Status decodeDib(const unsigned char* data, std::size_t size, Picture& out);
Status measureDib(const unsigned char* data, std::size_t size, QSize& size_out);

} // namespace pix::imaging
