// Formats decoded through Qt's image readers (PNG, TIFF, ICO).
#pragma once

#include "platform/imaging/decoder.h"

namespace pix::imaging {

Status decodeWithQt(const unsigned char* data, std::size_t size, ImageFormat format, Picture& out);
Status measureWithQt(const unsigned char* data, std::size_t size, ImageFormat format,
                     QSize& size_out);

} // namespace pix::imaging
