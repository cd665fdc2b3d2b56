// Keeping width and height in proportion while one of them is typed.
#pragma once

#include <cstdint>

namespace pix {

// The other side after one side went from oldSide to newSide: about other x newSide / oldSide.
// The ratio is held in single precision and applied in double precision, the way the dialog
// has always rounded: 1000 to 333 on 500 gives 167, and an exact half does not round up.
// Never below 1; oldSide below 1 leaves the other side as it is.
std::int64_t ScaleOtherSide(std::int64_t oldSide, std::int64_t newSide, std::int64_t other);

} // namespace pix
