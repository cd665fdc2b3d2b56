// Bounds-checked access to the metafile header and its records.
#pragma once

#include "platform/wmf/wmfplayer.h"

#include <QPointF>
#include <QRect>
#include <cstddef>
#include <cstdint>

namespace pix::wmf {

// One record: its function and its parameters as 16-bit words. The accessors answer 0 for a
// word past the end, so a handler that misjudges a length can never read outside the record;
// handlers still check the count first and report a short record as malformed.
class Record {
public:
    Record() = default;
    Record(std::uint16_t function, const unsigned char* params, std::size_t words)
        : function_(function), params_(params), words_(words) {}

    std::uint16_t function() const { return function_; }
    std::size_t words() const { return words_; }
    bool has(std::size_t count) const { return words_ >= count; }

    std::uint16_t u16(std::size_t index) const;
    std::int16_t s16(std::size_t index) const { return static_cast<std::int16_t>(u16(index)); }
    // Two words, the low one first.
    std::uint32_t u32(std::size_t index) const;
    // A point stored as y then x, as the records store their coordinates.
    QPointF point(std::size_t yIndex) const { return QPointF(s16(yIndex + 1), s16(yIndex)); }
    // The parameter bytes from word `index` on, and how many there are.
    const unsigned char* bytesFrom(std::size_t index) const;
    std::size_t byteCountFrom(std::size_t index) const;

private:
    std::uint16_t function_ = 0;
    const unsigned char* params_ = nullptr;
    std::size_t words_ = 0;
};

// What the two headers at the start of a metafile tell.
struct Header {
    bool placeable = false;
    QRect bounds;         // placeable only: left, top, right, bottom in logical units
    int unitsPerInch = 0; // placeable only
    int objectCount = 0;  // size of the object table the records expect
    std::size_t firstRecord = 0;
};

// NotWmf when neither header is present, Malformed when a placeable header is not followed by
// a valid standard header.
WmfResult readHeader(const unsigned char* data, std::size_t size, Header& header);

// Walks the records one by one. A record whose size field is below three words or which runs
// past the end of the data is malformed; the walk ends at the end-of-file record or, for a file
// without one, where the data ends on a record boundary.
class RecordReader {
public:
    enum class Step { Record, End, Malformed };

    RecordReader(const unsigned char* data, std::size_t size, std::size_t offset)
        : data_(data), size_(size), offset_(offset) {}

    Step next(Record& record);

private:
    const unsigned char* data_;
    std::size_t size_;
    std::size_t offset_;
};

} // namespace pix::wmf
