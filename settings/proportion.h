// Keeping width and height in proportion while one of them is typed.
#pragma once

#include <cstdint>

namespace pix {

// The other side when one side of a picture of ownSide x ownOther is typed as `side`: from the
// picture's own proportions, rounded once to the nearest pixel, never below 1. It never depends
// on what the other field showed before, so typing digit by digit ends where pasting does.
std::int64_t OtherSide(std::int64_t side, std::int64_t ownSide, std::int64_t ownOther);

} // namespace pix
