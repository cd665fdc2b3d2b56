#include "settings/proportion.h"

#include <algorithm>
#include <cmath>

namespace pix {

std::int64_t ScaleOtherSide(std::int64_t oldSide, std::int64_t newSide, std::int64_t other) {
    if (oldSide < 1)
        return std::max<std::int64_t>(other, 1);
    double product = 0;
    std::int64_t result = 0;
    if (oldSide > newSide) {
        // Shrinking: the part that remains.
        const float ratio =
            1.0f - static_cast<float>(oldSide - newSide) / static_cast<float>(oldSide);
        product = static_cast<double>(other) * static_cast<double>(ratio);
        result = static_cast<std::int64_t>(std::trunc(product));
    } else {
        // Growing: the part that is added.
        const float ratio = static_cast<float>(newSide - oldSide) / static_cast<float>(oldSide);
        product = static_cast<double>(other) * static_cast<double>(ratio);
        result = other + static_cast<std::int64_t>(std::trunc(product));
    }
    if (product - std::trunc(product) > 0.5)
        ++result;
    return std::max<std::int64_t>(result, 1);
}

} // namespace pix
