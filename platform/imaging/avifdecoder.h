// AVIF pictures through libavif, AV1 through dav1d: the primary picture or the first frame of a
// sequence, cropped, turned and mirrored as the file says (an EXIF orientation inside is only a
// copy of that and is not applied again), more than 8 bits rounded to 8, alpha premultiplied.
#pragma once

#include "platform/imaging/decoder.h"

#include <cstdint>

namespace pix::imaging {

// An "ftyp" brand of AVIF pictures or sequences.
bool isAvifData(const unsigned char* data, std::size_t size);

Status decodeAvif(const unsigned char* data, std::size_t size, const DecodeHint& hint,
                  Picture& out);
Status measureAvif(const unsigned char* data, std::size_t size, QSize& out);
// The same from a file, reading only the boxes (libavif wants them whole, wherever they end).
Status measureAvifFile(const QString& path, QSize& out);

// The peak of a decode with the hint: the AV1 frame, our picture, and a turned copy.
Status estimateAvifDecode(const unsigned char* data, std::size_t size, const DecodeHint& hint,
                          std::uint64_t& bytes);

} // namespace pix::imaging
