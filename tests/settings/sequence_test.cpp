// The dialog and the writing of its result together, over the sequences a person can do with a
// turned picture: whatever the order, the output is the picture's size turned by its angle,
// unless a size was chosen.
#include "jobs/applysettings.h"
#include "settings/settingsmodel.h"

#include <functional>
#include <gtest/gtest.h>

namespace pix {
namespace {

JobItem picture(int width, int height) {
    JobItem item;
    item.source.fileName = "photo.jpg";
    item.source.folder = "/pictures";
    item.source.width = width;
    item.source.height = height;
    item.output.folder = "/pictures";
    item.output.width = width;
    item.output.height = height;
    return item;
}

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
    EXPECT_TRUE(sized(item, 800, 600));
    EXPECT_EQ(item.remarks, "800x600, Rotate 90");
    confirm(item);
    EXPECT_TRUE(sized(item, 800, 600));

    // "Resize" cleared again: back to the picture's own size, turned.
    confirm(item, [](SettingsModel& m) { m.setResize(false); });
    EXPECT_TRUE(sized(item, 768, 1024));
    EXPECT_EQ(item.remarks, "768x1024, Rotate 90");
    confirm(item);
    EXPECT_TRUE(sized(item, 768, 1024));
    EXPECT_EQ(item.remarks, "Rotate 90");
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
