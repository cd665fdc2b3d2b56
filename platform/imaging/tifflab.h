// CIE L*a*b* pictures of a TIFF file as sRGB.
#pragma once

#include "platform/imaging/picture.h"
#include "platform/imaging/tiffsamples.h"

#include <tiffio.h>

namespace pix::imaging::tiff {

// Reads an 8- or 16-bit L*a*b* picture (CIE, with signed a* and b*, or ICC, with unsigned ones)
// with three colour samples and any extra ones, stored in strips or tiles, contiguous or planar,
// in stored row order. The first extra sample is the alpha when it is declared associated or
// unassociated alpha; other extra samples are ignored.
//
// The colour is taken relative to the file's white (its WhitePoint tag, else D50) and adapted to
// the display's (D65) as a colour-managed reader does: white stays white and every colour keeps
// its look. (libtiff's own conversion takes L* = 100 to a cream, converting against D50 but
// displaying for D65.)
Status readLab(TIFF* tiff, const SampleLayout& layout, Picture& out);

} // namespace pix::imaging::tiff
