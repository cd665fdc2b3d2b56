// PNG through Qt's image reader, after checks of its framing that keep libpng from allocating
// what the data cannot hold (for PNG files and PNG pictures inside icons).
#pragma once

#include "platform/imaging/decoder.h"

namespace pix::imaging {

Status decodeWithQt(const unsigned char* data, std::size_t size, ImageFormat format, Picture& out);
Status measureWithQt(const unsigned char* data, std::size_t size, ImageFormat format,
                     QSize& size_out);

} // namespace pix::imaging
