// JPEG XL pictures through libjxl: lossy, lossless and recompressed JPEG files, bare codestreams
// or in their container, the first frame of an animation; upright by the orientation of the
// codestream (where cjxl puts a JPEG's EXIF orientation), alpha premultiplied, more than 8 bits
// rounded to 8. For a glance, a picture drawn from the DC of the first frame (an eighth of
// each side) when the file has one.
#pragma once

#include "platform/imaging/decoder.h"

#include <cstdint>

namespace pix::imaging {

// The codestream's or the container's signature.
bool isJxlData(const unsigned char* data, std::size_t size);

Status decodeJxl(const unsigned char* data, std::size_t size, const DecodeHint& hint, Picture& out);
Status measureJxl(const unsigned char* data, std::size_t size, QSize& out);

// The peak of a decode with the hint: libjxl's working frame, the picture, a turned copy.
Status estimateJxlDecode(const unsigned char* data, std::size_t size, const DecodeHint& hint,
                         std::uint64_t& bytes);

} // namespace pix::imaging
