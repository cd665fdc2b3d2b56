#include "settings/proportion.h"

#include "jobs/resizerule.h"

namespace pix {

std::int64_t OtherSide(std::int64_t side, std::int64_t ownSide, std::int64_t ownOther) {
    return ProportionalSide(side, ownSide, ownOther);
}

} // namespace pix
