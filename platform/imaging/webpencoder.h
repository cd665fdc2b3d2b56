// WebP through libwebp: lossy at the caller's quality (libwebp's own 0 to 100 scale), alpha kept.
#pragma once

#include "platform/imaging/picture.h"

#include <QIODevice>

namespace pix::imaging {

// WebP holds at most 16383 pixels a side; a larger picture is TooLarge.
inline constexpr int kWebpMaxSide = 16383;

Status encodeWebp(Picture&& picture, int quality, QIODevice& device);

} // namespace pix::imaging
