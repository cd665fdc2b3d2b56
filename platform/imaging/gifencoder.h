#pragma once

#include "platform/imaging/picture.h"

#include <QIODevice>

namespace pix::imaging {

// A GIF with an adaptive palette of up to 256 colours and error diffusion. Fully transparent
// pixels become the transparent index; other pixels are taken as opaque.
Status encodeGif(const Picture& picture, QIODevice& device);

} // namespace pix::imaging
