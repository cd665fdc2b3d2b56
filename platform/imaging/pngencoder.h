#pragma once

#include "platform/imaging/picture.h"

#include <QIODevice>

namespace pix::imaging {

// An 8-bit RGB or RGBA PNG (RGBA only when some pixel is not opaque).
Status encodePng(const Picture& picture, QIODevice& device);

} // namespace pix::imaging
