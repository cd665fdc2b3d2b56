// TIFF through libtiff: the first page, upright by its orientation tag.
#pragma once

#include "platform/imaging/picture.h"

#include <QSize>
#include <cstddef>

namespace pix::imaging {

bool isTiffData(const unsigned char* data, std::size_t size);
Status decodeTiff(const unsigned char* data, std::size_t size, Picture& out);
Status measureTiff(const unsigned char* data, std::size_t size, QSize& out);

} // namespace pix::imaging
