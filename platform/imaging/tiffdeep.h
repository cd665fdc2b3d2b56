// TIFF samples that libtiff's RGBA reader does not take, or takes at a loss: grey of 9 to 16 bits,
// 8-bit grey with alpha (which it takes as associated alpha whatever the file says), 32-bit
// integers and 16- or 32-bit floats of grey or RGB (with alpha), and 16-bit CMYK. Every sample
// becomes 8 bits: integers of up to 16 bits by rounding, 32-bit ones by their top bits, floats from
// 0..1 with what lies beyond clipped.
#pragma once

#include "platform/imaging/picture.h"
#include "platform/imaging/tiffsamples.h"

#include <tiffio.h>

namespace pix::imaging::tiff {

// True when readDeepSamples reads the layout of the first directory.
bool isDeepLayout(TIFF* tiff, const SampleLayout& layout);

// Reads it, in stored row order, strips or tiles, contiguous or planar.
Status readDeepSamples(TIFF* tiff, const SampleLayout& layout, Picture& out);

} // namespace pix::imaging::tiff
