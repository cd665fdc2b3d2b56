// GIF: the first frame drawn on its logical screen, grown where needed to hold the whole frame.
#pragma once

#include "platform/imaging/picture.h"

#include <QSize>
#include <cstddef>

namespace pix::imaging {

Status decodeGif(const unsigned char* data, std::size_t size, Picture& out);
Status measureGif(const unsigned char* data, std::size_t size, QSize& size_out);

} // namespace pix::imaging
