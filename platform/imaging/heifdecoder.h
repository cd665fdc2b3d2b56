// HEIC and other HEIF pictures through libheif, HEVC through libde265: the primary picture, with
// the rotation, mirror and crop of the file applied by libheif (an EXIF orientation inside is
// only a copy of those and is not applied again), grids of tiles put together, more than 8 bits
// rounded to 8. For a glance, the thumbnail stored in the file when it covers the size asked for.
#pragma once

#include "platform/imaging/decoder.h"

#include <cstdint>

namespace pix::imaging {

// An "ftyp" brand of HEIF (HEVC pictures and the general image brands), not of AVIF.
bool isHeifData(const unsigned char* data, std::size_t size);

Status decodeHeif(const unsigned char* data, std::size_t size, const DecodeHint& hint,
                  Picture& out);
// The size shown, from the boxes by our own reader (heifboxes.h) when they settle it, otherwise
// by libheif.
Status measureHeif(const unsigned char* data, std::size_t size, QSize& out);
// The same from a file, reading only its boxes: the start of a file is not enough for libheif,
// which checks where every picture's data lies.
Status measureHeifFile(const QString& path, QSize& out);

// The peak of a decode with the hint: libheif's planes and its converted picture, then ours.
Status estimateHeifDecode(const unsigned char* data, std::size_t size, const DecodeHint& hint,
                          std::uint64_t& bytes);

} // namespace pix::imaging
