// PNG through libpng, after checks of its framing that keep libpng from allocating what the
// data cannot hold (for PNG files and PNG pictures inside icons). libpng's errors and warnings
// become the decode's detail instead of lines on the terminal.
#pragma once

#include "platform/imaging/decoder.h"

namespace pix::imaging {

Status decodePng(const unsigned char* data, std::size_t size, Picture& out);
// The same, shrunk by a whole factor while the rows stream in when that still leaves at least
// twice minSize (upright) in both sides, so about four times minSize or more; the true extent is
// kept as the picture's content. Of an interlaced picture only the odd rows are averaged.
Status decodePng(const unsigned char* data, std::size_t size, QSize minSize, Picture& out);
// What decoding with minSize will hold at its peak, from the header: the picture at the size
// the decode gives and the reader's own rows.
Status planPngDecode(const unsigned char* data, std::size_t size, QSize minSize, QSize& output,
                     std::uint64_t& bytes);
Status measurePng(const unsigned char* data, std::size_t size, QSize& out);

} // namespace pix::imaging
