#pragma once

#include "platform/imaging/picture.h"

#include <QIODevice>

namespace pix::imaging {

// A TIFF with 8-bit RGB or RGBA (unassociated alpha) samples, compressed losslessly.
Status encodeTiff(const Picture& picture, QIODevice& device);

} // namespace pix::imaging
