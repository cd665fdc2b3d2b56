// Windows metafiles, played onto a transparent picture of their own size.
#pragma once

#include "platform/imaging/picture.h"

#include <QSize>
#include <cstddef>

namespace pix::imaging {

// The size a metafile of its own size `own` is drawn at for the minimum size asked for.
QSize wmfRenderSize(QSize own, QSize minSize);

bool isWmfData(const unsigned char* data, std::size_t size);
// Drawn at its own size, or smaller when minSize (upright) asks for less, never below it.
Status decodeWmf(const unsigned char* data, std::size_t size, QSize minSize, Picture& out);
Status measureWmf(const unsigned char* data, std::size_t size, QSize& out);

} // namespace pix::imaging
