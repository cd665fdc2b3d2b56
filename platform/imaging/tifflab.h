// CIE L*a*b* pixels of a TIFF file as sRGB.
#pragma once

#include <tiffio.h>

namespace pix::imaging::tiff {

// Replaces the RGBA reader's conversion of contiguous 8- and 16-bit L*a*b* pixels. libtiff's
// own takes L* = 100 to a cream, not white: it converts against the file's D50 white but
// displays for D65. Here the colour is taken relative to its white, which then is the display's
// white. Returns false when the reader's layout is not one of those.
bool useLabToSrgb(TIFFRGBAImage& reader);

} // namespace pix::imaging::tiff
