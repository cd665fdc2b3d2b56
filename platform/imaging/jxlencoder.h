// JPEG XL through libjxl, alpha kept. The caller's quality 0 to 100 maps to libjxl's distance
// as cjxl maps its own quality; 100 is lossless.
#pragma once

#include "platform/imaging/picture.h"

#include <QIODevice>

namespace pix::imaging {

// The Butteraugli distance (0 lossless, 1 visually lossless, up to 25) of a quality 0 to 100.
float jxlDistanceForQuality(int quality);

Status encodeJxl(Picture&& picture, int quality, QIODevice& device);

} // namespace pix::imaging
