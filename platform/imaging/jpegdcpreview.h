// A progressive JPEG's picture at an eighth of its size, drawn from the DC coefficients of its
// first scans alone. libjpeg cannot read those scans without first allocating every coefficient
// of the picture (tens of megabytes for a large photograph); this needs two bytes a block.
#pragma once

#include "platform/imaging/transform.h"

#include <QImage>
#include <cstddef>
#include <cstdint>

namespace pix::imaging::jpeg {

// How the components become colours, as libjpeg read it from the header.
enum class DcColour { Grey, YCbCr, Rgb };

struct DcPreviewFrame {
    int width = 0, height = 0; // the stored picture
    DcColour colour = DcColour::YCbCr;
};

// Draws the picture at an eighth ((width + 7) / 8 x (height + 7) / 8, then turned by type) into
// target, which has the turned size: each block of a full-resolution component is what libjpeg's
// 1 x 1 inverse DCT makes of its DC; subsampled chroma is enlarged linearly between the centres
// of its blocks; YCbCr becomes RGB as JFIF has it. False when the scans cannot be read this way
// (see readDcScans); target's pixels are then unspecified.
bool drawDcPreview(const unsigned char* data, std::size_t size, const DcPreviewFrame& frame,
                   RotateFlipType type, QImage& target) noexcept;

} // namespace pix::imaging::jpeg
