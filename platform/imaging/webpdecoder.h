// WebP pictures through libwebp and its demuxer: lossy, lossless, with alpha, and the first frame
// of an animation on its canvas; upright by an EXIF orientation as a JPEG is. When the caller
// needs half the size or less, libwebp scales while it decodes.
#pragma once

#include "platform/imaging/decoder.h"

#include <cstdint>

namespace pix::imaging {

bool isWebpData(const unsigned char* data, std::size_t size);

Status decodeWebp(const unsigned char* data, std::size_t size, const DecodeHint& hint,
                  Picture& out);
Status measureWebp(const unsigned char* data, std::size_t size, QSize& out);

// The peak of a decode with the hint: a lossless picture's whole frame inside libwebp, the
// picture at the size the decode gives, and a turned copy.
Status estimateWebpDecode(const unsigned char* data, std::size_t size, const DecodeHint& hint,
                          std::uint64_t& bytes);

} // namespace pix::imaging
