// Shrinking a PNG by a whole factor while its rows stream in: each box of factor x factor
// pixels becomes one pixel, the average of its premultiplied colours, so a picture far larger
// than the caller needs is never held whole.
#pragma once

#include "platform/imaging/picture.h"
#include "platform/imaging/pngreader.h"

#include <QSize>
#include <cstdint>
#include <vector>

namespace pix::imaging::png {

// The largest whole factor by which a picture of width x height shrinks (a partial last box
// counting as a pixel) and still covers minSize in both sides; 1 when it cannot shrink or
// minSize is empty.
int reductionFactor(std::uint32_t width, std::uint32_t height, QSize minSize);

// The size of the picture shrunk by the factor: every box, partial ones included.
QSize reducedSize(std::uint32_t width, std::uint32_t height, int factor);

class RowReducer {
public:
    // Allocates the reduced picture for rows in the layout's format; OutOfMemory or TooLarge
    // when it cannot be had.
    Status start(const Layout& layout, int factor);
    // Takes source row y (rows come in increasing order; some may be missing).
    void addRow(const unsigned char* row, std::uint32_t y);
    // The reduced picture after the last row, its content the true extent of the source.
    Picture finish();

    // Bytes held besides the picture for a source of that width, reduced by the factor.
    static std::uint64_t workingBytes(std::uint32_t width, int factor);

private:
    // 32-bit rows are summed as they come; the other formats are first made 16-bit
    // premultiplied RGBA (expand), then summed (accumulate).
    bool eightBitRows() const;
    void accumulateEightBit(const unsigned char* row);
    void expand(const unsigned char* row);
    void accumulate();
    void emitBoxRow();

    Layout layout_;
    int factor_ = 1;
    QSize size_;
    bool opaque_ = true;
    Picture picture_;
    std::vector<std::uint16_t> table_;  // premultiplied RGBA of each colour-table entry
    std::vector<std::uint16_t> pixels_; // one source row as premultiplied 16-bit RGBA
    // The current box row's sums, four per output pixel: of 32-bit rows colour times alpha and
    // alpha, of the others 16-bit premultiplied colour and alpha.
    std::vector<std::uint64_t> sums_;
    int boxRow_ = 0;    // the output row the sums belong to
    int rowsInBox_ = 0; // source rows added to the sums
};

} // namespace pix::imaging::png
