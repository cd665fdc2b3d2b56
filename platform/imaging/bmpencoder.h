#pragma once

#include "platform/imaging/picture.h"

#include <QIODevice>

namespace pix::imaging {

// A 24-bit bottom-up BMP; transparent areas are flattened onto white.
Status encodeBmp(const Picture& picture, QIODevice& device);

} // namespace pix::imaging
