// AVIF through libavif and libaom's AV1 encoder, alpha kept. The caller's quality 0 to 100 maps
// to AV1's quantizer 63 to 0; from 90 up the colours keep their full resolution (4:4:4). The
// encoder's speed follows the picture's size: slower for small pictures, where it saves bytes at
// little cost, fastest for large ones.
#pragma once

#include "platform/imaging/picture.h"

#include <QIODevice>

namespace pix::imaging {

// The AV1 quantizer (0 best to 63 worst) of a quality 0 to 100.
int avifQuantizerForQuality(int quality);

Status encodeAvif(Picture&& picture, int quality, QIODevice& device);

} // namespace pix::imaging
