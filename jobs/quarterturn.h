// Quarter turns: a rotation by 90 or 270 degrees exchanges a picture's width and height.
#pragma once

#include "jobs/jobitem.h"

#include <QSize>
#include <utility>

namespace pix {

constexpr bool IsQuarterTurn(std::int32_t rotate) {
    return rotate == 90 || rotate == 270;
}

// The size a picture of `size` has after turning it by `rotate` degrees.
inline QSize TurnedSize(QSize size, std::int32_t rotate) {
    return IsQuarterTurn(rotate) ? size.transposed() : size;
}

// Exchanges the output's width and height when its rotation is a quarter turn.
inline void ExchangeSidesForTurn(JobOutput& output) {
    if (IsQuarterTurn(output.rotate))
        std::swap(output.width, output.height);
}

} // namespace pix
