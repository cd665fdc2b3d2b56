// The size rules: every mode with and without "Only shrink", upright and after a quarter turn,
// on landscape, portrait and square pictures; then rounding, 1-pixel results and bad rules.
#include "jobs/resizerule.h"

#include <gtest/gtest.h>

namespace pix {
namespace {

ResizeRule exact(int width, int height, bool keep = false) {
    ResizeRule rule;
    rule.width = width;
    rule.height = height;
    rule.keepProportions = keep;
    return rule;
}

ResizeRule fit(int width, int height) {
    ResizeRule rule = exact(width, height);
    rule.mode = ResizeMode::Fit;
    return rule;
}

ResizeRule longEdge(int edge) {
    ResizeRule rule;
    rule.mode = ResizeMode::LongEdge;
    rule.longEdge = edge;
    return rule;
}

ResizeRule percent(int value) {
    ResizeRule rule;
    rule.mode = ResizeMode::Percent;
    rule.percent = value;
    return rule;
}

const QSize kLandscape(4000, 3000);
const QSize kPortrait(480, 640); // smaller than most results: "Only shrink" keeps it
const QSize kSquare(500, 500);

TEST(ResizeRules, EveryModeShapeAndTurn) {
    struct Case {
        const char* what;
        ResizeRule rule;
        QSize upright;
        int rotate;
        QSize result;
        QSize shrinkOnly;
    } const cases[] = {
        {"exact", exact(1024, 768), kLandscape, 0, {1024, 768}, {1024, 768}},
        {"exact", exact(1024, 768), kLandscape, 90, {1024, 768}, {1024, 768}},
        {"exact", exact(1024, 768), kPortrait, 0, {1024, 768}, {480, 640}},
        {"exact", exact(1024, 768), kPortrait, 270, {1024, 768}, {640, 480}},
        {"exact", exact(1024, 768), kSquare, 0, {1024, 768}, {500, 500}},
        {"exact", exact(1024, 768), kSquare, 90, {1024, 768}, {500, 500}},
        {"constrained", exact(1024, 768, true), kLandscape, 0, {1024, 768}, {1024, 768}},
        {"constrained", exact(1024, 768, true), kLandscape, 90, {576, 768}, {576, 768}},
        {"constrained", exact(1024, 768, true), kPortrait, 0, {576, 768}, {480, 640}},
        {"constrained", exact(1024, 768, true), kPortrait, 90, {1024, 768}, {640, 480}},
        {"constrained", exact(1024, 768, true), kSquare, 0, {768, 768}, {500, 500}},
        {"constrained", exact(1024, 768, true), kSquare, 270, {768, 768}, {500, 500}},
        {"fit", fit(1024, 768), kLandscape, 0, {1024, 768}, {1024, 768}},
        {"fit", fit(1024, 768), kLandscape, 270, {576, 768}, {576, 768}},
        {"fit", fit(1024, 768), kPortrait, 0, {576, 768}, {480, 640}},
        {"fit", fit(1024, 768), kPortrait, 90, {1024, 768}, {640, 480}},
        {"fit", fit(1024, 768), kSquare, 0, {768, 768}, {500, 500}},
        {"fit", fit(1024, 768), kSquare, 90, {768, 768}, {500, 500}},
        {"long", longEdge(800), kLandscape, 0, {800, 600}, {800, 600}},
        {"long", longEdge(800), kLandscape, 90, {600, 800}, {600, 800}},
        {"long", longEdge(800), kPortrait, 0, {600, 800}, {480, 640}},
        {"long", longEdge(800), kPortrait, 90, {800, 600}, {640, 480}},
        {"long", longEdge(800), kSquare, 0, {800, 800}, {500, 500}},
        {"long", longEdge(800), kSquare, 270, {800, 800}, {500, 500}},
        {"percent up", percent(150), kLandscape, 0, {6000, 4500}, {4000, 3000}},
        {"percent up", percent(150), kLandscape, 90, {4500, 6000}, {3000, 4000}},
        {"percent up", percent(150), kPortrait, 0, {720, 960}, {480, 640}},
        {"percent up", percent(150), kPortrait, 270, {960, 720}, {640, 480}},
        {"percent up", percent(150), kSquare, 0, {750, 750}, {500, 500}},
        {"percent up", percent(150), kSquare, 90, {750, 750}, {500, 500}},
        {"percent down", percent(25), kLandscape, 0, {1000, 750}, {1000, 750}},
        {"percent down", percent(25), kLandscape, 270, {750, 1000}, {750, 1000}},
        {"percent down", percent(25), kPortrait, 0, {120, 160}, {120, 160}},
        {"percent down", percent(25), kPortrait, 90, {160, 120}, {160, 120}},
        {"percent down", percent(25), kSquare, 0, {125, 125}, {125, 125}},
        {"percent down", percent(25), kSquare, 90, {125, 125}, {125, 125}},
    };
    for (const Case& c : cases) {
        ResizeRule rule = c.rule;
        EXPECT_EQ(ResizedOutput(c.upright, c.rotate, rule), c.result)
            << c.what << " " << ::testing::PrintToString(c.upright) << " turned " << c.rotate;
        rule.shrinkOnly = true;
        EXPECT_EQ(ResizedOutput(c.upright, c.rotate, rule), c.shrinkOnly)
            << c.what << " only shrink " << ::testing::PrintToString(c.upright) << " turned "
            << c.rotate;
    }
}

TEST(ResizeRules, RoundingAndOnePixelResults) {
    struct Case {
        const char* what;
        ResizeRule rule;
        QSize own;
        QSize result;
    } const cases[] = {
        {"a half rounds up", longEdge(333), {1000, 500}, {333, 167}},
        {"below a half rounds down", longEdge(800), {3, 2}, {800, 533}},
        {"one pixel of a landscape", longEdge(1), {4000, 3000}, {1, 1}},
        {"a thin picture keeps 1 pixel", longEdge(500), {1000, 1}, {500, 1}},
        {"one percent of a small picture", percent(1), {49, 149}, {1, 1}},
        {"a 1 x 1 box", fit(1, 1), {4000, 3000}, {1, 1}},
        {"a box 1 pixel high", fit(140, 1), {1000, 10}, {100, 1}},
        // The box was typed for this very picture: its rounding stands, it is not fitted.
        {"a typed size kept", exact(140, 1, true), {1000, 10}, {140, 1}},
        {"a typed height kept", exact(167, 333, true), {500, 1000}, {167, 333}},
        {"a foreign size fitted", exact(300, 300, true), {3, 2}, {300, 200}},
        {"a square in a tall box", fit(200, 900), {50, 50}, {200, 200}},
        {"a huge picture", longEdge(65535), {65535, 1}, {65535, 1}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ResizedSize(c.own, c.rule), c.result) << c.what;

    EXPECT_EQ(ProportionalSide(1, 800, 600), 1) << "0.75 is 1, never 0";
    EXPECT_EQ(ProportionalSide(1, 65535, 65535), 1);
    EXPECT_EQ(ProportionalSide(65535, 1, 65535), 65535LL * 65535) << "no overflow";
    EXPECT_EQ(ProportionalSide(std::int64_t{1} << 40, 1, std::int64_t{1} << 40),
              std::int64_t{1} << 60)
        << "absurd sides are bounded, not overflowed";
    EXPECT_EQ(ProportionalSide(400, 0, 300), 400) << "no proportions without an own size";
}

TEST(ResizeRules, RulesThatCannotBeUsedLeaveTheSize) {
    const QSize own(640, 480);
    ResizeRule unusable[] = {longEdge(0), percent(0), percent(kPercentMaximum + 1), fit(0, 300),
                             exact(300, -1)};
    for (const ResizeRule& rule : unusable) {
        EXPECT_FALSE(IsUsable(rule));
        EXPECT_EQ(ResizedSize(own, rule), own);
    }
    // Without the picture's size (never measured) the box is all there is to go by.
    EXPECT_EQ(ResizedSize(QSize(), fit(300, 200)), QSize(300, 200));
    EXPECT_EQ(ResizedSize(QSize(), exact(300, 200, true)), QSize(300, 200));
    EXPECT_EQ(ResizedSize(QSize(), longEdge(300)), QSize(300, 300));
    EXPECT_EQ(ResizedSize(QSize(0, 0), percent(50)), QSize(0, 0));
}

TEST(ResizeRules, ModesByKeywordAndLabel) {
    EXPECT_EQ(resizeModes().size(), 4u);
    for (const ResizeModeRow& row : resizeModes()) {
        EXPECT_EQ(resizeModeForKeyword(QString(row.keyword).toUpper()), row.mode);
        EXPECT_EQ(resizeModeRow(row.mode).label, row.label);
    }
    EXPECT_EQ(resizeModeRow(ResizeMode::LongEdge).label, QLatin1String("Long edge"));
    EXPECT_FALSE(resizeModeForKeyword(u"longedge"));
    EXPECT_FALSE(resizeModeForKeyword(u""));
}

} // namespace
} // namespace pix
