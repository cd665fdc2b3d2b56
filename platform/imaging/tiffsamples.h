// The samples of a TIFF picture row by row, whatever their storage: strips or tiles, contiguous
// or one plane per sample, 1 to 16 or 32 bits. For the layouts libtiff's RGBA reader does not
// take.
#pragma once

#include "platform/imaging/status.h"

#include <cstdint>
#include <functional>
#include <tiffio.h>

namespace pix::imaging::tiff {

struct SampleLayout {
    std::uint32_t width = 0, height = 0;
    std::uint16_t samples = 1, bits = 8;
};

// Receives `count` pixels of row y starting at column x: `samples` values each, in sample order,
// each the stored bits (0 to 2^bits - 1; of a float, its bits).
using SampleRowSink = std::function<void(std::uint32_t x, std::uint32_t y, std::uint32_t count,
                                         const std::uint32_t* values)>;

// Reads every strip or tile of the first directory once and hands each of its rows to the sink.
// The buffers are one strip or tile per plane, the size the caller has checked against the file.
// A strip or tile that cannot be read in full fails the whole read: no pixel is made up.
Status readSampleRows(TIFF* tiff, const SampleLayout& layout, const SampleRowSink& sink);

// The alpha among the samples that follow the colour samples: the first extra sample, when it is
// declared associated (the colour stored multiplied by it) or unassociated alpha, and when the
// pixel has a sample beyond its colour samples to hold it.
struct Alpha {
    int sample = -1; // none when negative
    bool associated = false;
};
Alpha alphaSample(TIFF* tiff, std::uint16_t colourSamples);

} // namespace pix::imaging::tiff
