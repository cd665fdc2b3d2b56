// Formats decoded through Qt's image readers (PNG, ICO), after checks of their framing that
// keep the readers' libraries from allocating what the data cannot hold.
#pragma once

#include "platform/imaging/decoder.h"

namespace pix::imaging {

Status decodeWithQt(const unsigned char* data, std::size_t size, ImageFormat format, Picture& out);
Status measureWithQt(const unsigned char* data, std::size_t size, ImageFormat format,
                     QSize& size_out);

} // namespace pix::imaging
