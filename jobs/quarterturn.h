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

// Exchanges the output's width and height, and the box of its resize rule, when its rotation
// is a quarter turn: sizes given for the upright picture become those of the turned one.
inline void ExchangeSidesForTurn(JobOutput& output) {
    if (IsQuarterTurn(output.rotate)) {
        std::swap(output.width, output.height);
        std::swap(output.resize.width, output.resize.height);
    }
}

} // namespace pix
