// Windows metafiles, played onto a transparent picture of their own size.
#pragma once

#include "platform/imaging/picture.h"

#include <QSize>
#include <cstddef>

namespace pix::imaging {

// The longest side a metafile is drawn at when no size is asked for.
inline constexpr int kWmfUnaskedLongSide = 8192;

// The size a metafile of its own size `own` is drawn at for the minimum size asked for: at
// most its own size, and at most kWmfUnaskedLongSide on the long side without a request.
QSize wmfRenderSize(QSize own, QSize minSize);

bool isWmfData(const unsigned char* data, std::size_t size);
// Drawn at wmfRenderSize: its own size (within kWmfUnaskedLongSide, with a note when smaller),
// or smaller when minSize (upright) asks for less, never below it. TooLarge, with its reason
// noted, when the drawing takes more work than a picture may at that size.
Status decodeWmf(const unsigned char* data, std::size_t size, QSize minSize, Picture& out);
Status measureWmf(const unsigned char* data, std::size_t size, QSize& out);

} // namespace pix::imaging
