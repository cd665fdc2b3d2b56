// Windows icons: the largest picture of the directory, a PNG or a device-independent bitmap
// with its AND mask.
#pragma once

#include "platform/imaging/picture.h"

#include <QSize>
#include <cstddef>

namespace pix::imaging {

bool isIcoData(const unsigned char* data, std::size_t size);
Status decodeIco(const unsigned char* data, std::size_t size, Picture& out);
Status measureIco(const unsigned char* data, std::size_t size, QSize& out);

} // namespace pix::imaging
