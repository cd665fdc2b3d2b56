// Plays a metafile's records, one after the other, on a playback context.
#pragma once

#include "platform/wmf/wmfplayer.h"

#include <cstddef>

namespace pix::wmf {

class Context;
struct Header;

// Plays from the header's first record to the end-of-file record. Unknown records are skipped;
// the first malformed record ends the playback with Malformed. A pass that weighs the work
// ends with TooMuchWork as soon as the work passes the budget.
WmfResult playRecords(const unsigned char* data, std::size_t size, const Header& header,
                      Context& context);

} // namespace pix::wmf
