// The size a compressed file may claim. HEVC, AV1, VP8, VP8L and JPEG XL code a flat area in
// next to nothing, so unlike Deflate or JPEG no hard floor on the data follows from a picture's
// size; a few hundred bytes can claim a gigabyte of pixels. Real pictures of many megapixels
// take far more than a byte for every 4096 pixels (a blank 12-megapixel page takes about 600
// bytes as AVIF or lossless WebP, a photograph a hundred times more), so pictures up to 16
// megapixels are taken from any file, larger ones only when the file holds at least a byte for
// every 4096 of their pixels.
#pragma once

#include "platform/imaging/status.h"

#include <cstddef>
#include <cstdint>

namespace pix::imaging {

// The most pixels a file of that many bytes may claim (never more than the service's bound).
std::int64_t claimablePixels(std::size_t fileBytes);

// Ok when a width x height picture may be decoded from a file of fileBytes bytes; otherwise
// TooLarge (beyond the service's bound) or CorruptData (more than the file can hold), with the
// reason noted as the decode's detail.
Status checkClaimedSize(std::int64_t width, std::int64_t height, std::size_t fileBytes);

} // namespace pix::imaging
