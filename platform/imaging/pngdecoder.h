// PNG through libpng, after checks of its framing that keep libpng from allocating what the
// data cannot hold (for PNG files and PNG pictures inside icons). libpng's errors and warnings
// become the decode's detail instead of lines on the terminal.
#pragma once

#include "platform/imaging/decoder.h"

namespace pix::imaging {

Status decodePng(const unsigned char* data, std::size_t size, Picture& out);
Status measurePng(const unsigned char* data, std::size_t size, QSize& out);

} // namespace pix::imaging
