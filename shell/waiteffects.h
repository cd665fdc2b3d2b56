// Where the wait effects of an opening folder are drawn, apart from any widget: a small
// progress bar right of the item's label, and an animation in place of the item's icon.
#pragma once

namespace pix {

/// A rectangle by its edges; right and bottom lie just outside it.
struct Box {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const Box&) const = default;
};

struct ProgressBoxes {
    Box outer; // framed in black, 56 wide
    Box inner; // filled in red from its left edge; empty at first
};

/// The bar beside an item whose label occupies textBox: a band 16 high centred on the label,
/// moved right by the label's width and 3.
ProgressBoxes ProgressBarBoxes(const Box& textBox);

/// Width of the red fill, 0 to 50: current of total when total is known, otherwise a curve
/// that starts at 0 and rises toward 50 as current grows (8 for 1, 34 for 5, 47 for 10).
int ProgressFillWidth(int total, int current);

/// Where the item's icon is drawn: left of the label by the icon's width and 3, centred on it.
Box WaitIconBox(const Box& textBox, int iconWidth, int iconHeight);

} // namespace pix
