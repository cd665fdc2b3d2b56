#pragma once

#include "platform/imaging/picture.h"

#include <QIODevice>

namespace pix::imaging {

// An 8-bit RGB or RGBA PNG (RGBA only when some pixel is not opaque). When the picture holds
// the only reference to its pixels, they are overwritten with the filtered rows (the picture is
// left null); otherwise the rows are filtered into a buffer of their own.
Status encodePng(Picture&& picture, QIODevice& device);

} // namespace pix::imaging
