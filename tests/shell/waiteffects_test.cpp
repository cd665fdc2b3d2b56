// Where the wait effects are drawn.
#include "shell/waiteffects.h"

#include <gtest/gtest.h>

namespace pix {
namespace {

TEST(WaitEffects, TheBarFillsByShareOrAlongTheCurveWhenTheTotalIsOpen) {
    EXPECT_EQ(ProgressFillWidth(0, 0), 0);
    const int curve[][2] = {{1, 8}, {2, 16}, {5, 34}, {10, 47}};
    for (const auto& [current, width] : curve)
        EXPECT_EQ(ProgressFillWidth(0, current), width) << current;
    EXPECT_EQ(ProgressFillWidth(0, 1000000), 50) << "no overflow for long folders";
    EXPECT_EQ(ProgressFillWidth(4, 1), 12);
    EXPECT_EQ(ProgressFillWidth(4, 4), 50);
    EXPECT_EQ(ProgressFillWidth(3, 9), 50) << "never beyond its frame";
    EXPECT_EQ(ProgressFillWidth(20000, 20000), 50);
}

TEST(WaitEffects, TheBarIsABand16HighRightOfTheLabel) {
    // A label 40 wide and 21 high at (100, 10).
    const ProgressBoxes boxes = ProgressBarBoxes({100, 10, 140, 31});
    EXPECT_EQ(boxes.outer, (Box{143, 12, 199, 29})); // trimmed by (21 - 16) / 2 = 2
    EXPECT_EQ(boxes.inner, (Box{146, 15, 146, 26}));
    // A label lower than the band is not trimmed.
    EXPECT_EQ(ProgressBarBoxes({0, 0, 10, 12}).outer, (Box{13, 0, 69, 12}));
}

TEST(WaitEffects, TheIconBoxLiesLeftOfTheLabelCentredOnIt) {
    EXPECT_EQ(WaitIconBox({100, 10, 140, 31}, 16, 16), (Box{81, 12, 97, 28}));
    // (12 - 16) / 2 truncates toward zero.
    EXPECT_EQ(WaitIconBox({100, 0, 140, 13}, 16, 16), (Box{81, -1, 97, 15}));
}

} // namespace
} // namespace pix
