// The dialog and the writing of its result together, over the sequences a person can do with a
// turned picture: whatever the order, the output is the picture's size turned by its angle,
// unless a size was chosen.
#include "jobs/applysettings.h"
#include "settings/pictureitem.h"
#include "settings/settingsmodel.h"

#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace pix {
namespace {

using test::picture;

// Opens the dialog on the item, lets the person act, presses OK and writes the result back.
void confirm(JobItem& item, const std::function<void(SettingsModel&)>& act = {}) {
    SettingsModel m;
    m.open(&item, "/documents");
    if (act)
        act(m);
    const SettingsOutcome o = m.accept();
    ASSERT_EQ(o.refused, SettingsOutcome::Field::None);
    ApplySettings(item, o.result, o.result.numberFrom);
}

void turn(SettingsModel& m, RotationButton button) {
    m.setRotate(true);
    m.clickRotationButton(button);
}

::testing::AssertionResult sized(const JobItem& item, int width, int height) {
    if (item.output.width == width && item.output.height == height)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << item.output.width << " x " << item.output.height
                                         << ", expected " << width << " x " << height;
}

TEST(TurnSequences, OpenOkThenOpenOkAgain) {
    for (RotationButton button : {RotationButton::Deg270, RotationButton::Deg90}) {
        JobItem item = picture(640, 480);
        confirm(item, [&](SettingsModel& m) { turn(m, button); });
        EXPECT_TRUE(sized(item, 480, 640));
        EXPECT_EQ(item.remarks, button == RotationButton::Deg270 ? "Rotate 90" : "Rotate 270");
        confirm(item);
        EXPECT_TRUE(sized(item, 480, 640)) << "a second OK changes nothing";
        EXPECT_EQ(item.output.rotate, button == RotationButton::Deg270 ? 90 : 270);
        EXPECT_EQ(item.remarks, item.output.rotate == 90 ? "Rotate 90" : "Rotate 270");
        confirm(item);
        EXPECT_TRUE(sized(item, 480, 640));
    }
}

TEST(TurnSequences, From90To180) {
    JobItem item = picture(640, 480);
    confirm(item, [](SettingsModel& m) { turn(m, RotationButton::Deg270); });
    confirm(item, [](SettingsModel& m) { m.clickRotationButton(RotationButton::Deg180); });
    EXPECT_EQ(item.output.rotate, 180);
    EXPECT_TRUE(sized(item, 640, 480));
    confirm(item);
    EXPECT_TRUE(sized(item, 640, 480));
}

TEST(TurnSequences, RotateClearedAfterATurn) {
    JobItem item = picture(640, 480);
    confirm(item, [](SettingsModel& m) { turn(m, RotationButton::Deg90); });
    confirm(item, [](SettingsModel& m) { m.setRotate(false); });
    EXPECT_EQ(item.output.rotate, 0);
    EXPECT_TRUE(sized(item, 640, 480));
    confirm(item);
    EXPECT_TRUE(sized(item, 640, 480));
}

TEST(TurnSequences, FromOneQuarterToTheOther) {
    JobItem item = picture(640, 480);
    confirm(item, [](SettingsModel& m) { turn(m, RotationButton::Deg270); });
    confirm(item, [](SettingsModel& m) { m.clickRotationButton(RotationButton::Deg90); });
    EXPECT_EQ(item.output.rotate, 270);
    EXPECT_TRUE(sized(item, 480, 640));
    confirm(item, [](SettingsModel& m) { m.clickRotationButton(RotationButton::Deg270); });
    EXPECT_EQ(item.output.rotate, 90);
    EXPECT_TRUE(sized(item, 480, 640));
}

TEST(TurnSequences, AButtonClickedTwiceLeavesThePictureUpright) {
    JobItem item = picture(640, 480);
    confirm(item, [](SettingsModel& m) {
        turn(m, RotationButton::Deg180);
        m.clickRotationButton(RotationButton::Deg180);
    });
    EXPECT_EQ(item.output.rotate, 0);
    EXPECT_TRUE(sized(item, 640, 480));
}

TEST(TurnSequences, AChosenSizeStaysOnAnotherOk) {
    JobItem item = picture(1024, 768);
    confirm(item, [](SettingsModel& m) {
        m.setResize(true);
        m.editWidth("800");
        turn(m, RotationButton::Deg270);
    });
    EXPECT_TRUE(sized(item, 600, 800)) << "the turn exchanged the typed size";
    EXPECT_EQ(item.remarks, "600x800, Rotate 90");
    confirm(item);
    EXPECT_TRUE(sized(item, 600, 800));

    // "Resize" cleared again: back to the picture's own size, turned.
    confirm(item, [](SettingsModel& m) { m.setResize(false); });
    EXPECT_TRUE(sized(item, 768, 1024));
    EXPECT_EQ(item.remarks, "768x1024, Rotate 90");
    confirm(item);
    EXPECT_TRUE(sized(item, 768, 1024));
    EXPECT_EQ(item.remarks, "Rotate 90");
}

// Three rows selected, the dialog opened on the first, width typed with "Constrain
// Proportions": each row fits within the typed size with its own proportions.
TEST(SeveralRows, EachRowKeepsItsOwnProportions) {
    std::vector<JobItem> items{picture(1600, 1200), picture(1200, 1600), picture(1000, 1000),
                               picture(640, 480)};
    SettingsModel m;
    m.open(&items[0], "/documents");
    m.setResize(true);
    m.editWidth("1024");
    ASSERT_EQ(m.height().text(), "768");
    const SettingsResult r = m.accept().result;
    std::int32_t number = r.numberFrom;
    for (JobItem& item : items)
        ApplySettings(item, r, number++);
    EXPECT_TRUE(sized(items[0], 1024, 768));
    EXPECT_TRUE(sized(items[1], 576, 768));
    EXPECT_TRUE(sized(items[2], 768, 768));
    EXPECT_TRUE(sized(items[3], 1024, 768));
    EXPECT_EQ(items[1].remarks, "576x768") << "each row shows its own size before Start";

    // Without "Constrain Proportions" the typed size is what every row asked for.
    JobItem portrait = picture(1200, 1600);
    SettingsModel free;
    free.open(&items[0], "/documents");
    free.setResize(true);
    free.setConstrain(false);
    free.editWidth("1024");
    ApplySettings(portrait, free.accept().result, 0);
    EXPECT_TRUE(sized(portrait, 1024, 768));
}

// A 640 x 400 picture, width 800 typed before or after a quarter turn: never stretched.
TEST(TurnSequences, AResizedTurnKeepsTheTurnedProportions) {
    const struct {
        bool turnFirst;
        int width, height;
        const char* remark;
    } cases[] = {{false, 500, 800, "500x800, Rotate 90"}, {true, 800, 1280, "800x1280, Rotate 90"}};
    for (const auto& c : cases) {
        JobItem item = picture(640, 400);
        confirm(item, [&c](SettingsModel& m) {
            if (c.turnFirst)
                turn(m, RotationButton::Deg270);
            m.setResize(true);
            m.editWidth("800");
            if (!c.turnFirst)
                turn(m, RotationButton::Deg270);
        });
        EXPECT_TRUE(sized(item, c.width, c.height)) << c.remark;
        EXPECT_EQ(item.remarks, c.remark);
        confirm(item);
        EXPECT_TRUE(sized(item, c.width, c.height)) << "a second OK changes nothing";
    }
}

TEST(TurnSequences, AResizedItemTurnedLaterIsExchangedOnce) {
    JobItem item = picture(1024, 768);
    confirm(item, [](SettingsModel& m) {
        m.setResize(true);
        m.editWidth("800");
    });
    confirm(item, [](SettingsModel& m) { turn(m, RotationButton::Deg90); });
    EXPECT_TRUE(sized(item, 600, 800));
    confirm(item);
    EXPECT_TRUE(sized(item, 600, 800));
}

} // namespace
} // namespace pix
