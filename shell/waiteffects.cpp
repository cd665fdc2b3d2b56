#include "shell/waiteffects.h"

#include <algorithm>
#include <cmath>

namespace pix {

namespace {
constexpr int kBandHeight = 16;
constexpr int kGap = 3;
constexpr int kBarWidth = 56;
constexpr int kFillWidth = kBarWidth - 2 * kGap;
} // namespace

ProgressBoxes ProgressBarBoxes(const Box& textBox) {
    Box outer = textBox;
    const int trim = std::max(0, (outer.height() - kBandHeight) / 2);
    outer.top += trim;
    outer.bottom -= trim;
    const int shift = outer.width() + kGap;
    outer.left += shift;
    outer.right += shift;
    Box inner{outer.left + kGap, outer.top + kGap, outer.left + kGap, outer.bottom - kGap};
    outer.right = outer.left + kBarWidth;
    return {outer, inner};
}

int ProgressFillWidth(int total, int current) {
    if (current <= 0)
        return 0;
    if (total > 0)
        return int(std::min<long long>(kFillWidth, (long long)current * kFillWidth / total));
    // For large counts the exponential overflows; the curve is at its limit long before.
    if (current > 100)
        return kFillWidth;
    const double x = current;
    const double e2 = std::exp(2.0);
    const double value = kFillWidth * (1 + 0.2 * x - 0.5 * std::log(std::exp(0.4 * x) + e2 - 1));
    return std::clamp(int(value), 0, kFillWidth);
}

Box WaitIconBox(const Box& textBox, int iconWidth, int iconHeight) {
    const int left = textBox.left - (iconWidth + kGap);
    const int top = textBox.top + (textBox.height() - iconHeight) / 2;
    return {left, top, left + iconWidth, top + iconHeight};
}

} // namespace pix
