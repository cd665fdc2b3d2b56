// The record handlers, one table per group. A handler is called only for a record with at
// least `minWords` parameter words; it answers false when the record is malformed in another
// way (a count that runs past the record, an inconsistent bitmap).
#pragma once

#include <cstdint>
#include <span>

namespace pix::wmf {

class Context;
class Record;

using PlayRecord = bool (*)(Context&, const Record&);

struct Handler {
    std::uint16_t function;
    std::uint16_t minWords;
    PlayRecord play;
};

std::span<const Handler> stateHandlers();  // modes, colours, mapping, save and restore, clip
std::span<const Handler> objectHandlers(); // create, select and delete objects
std::span<const Handler> shapeHandlers();  // lines, polygons, rectangles, ellipses, arcs
std::span<const Handler> textHandlers();   // text out and extended text out
std::span<const Handler> bitmapHandlers(); // bitmaps and pattern transfers

} // namespace pix::wmf
