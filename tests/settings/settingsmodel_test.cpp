// The rules of the "Settings" dialog, through its model: proportions, opening state, rotation
// buttons and the OK rule.
#include "settings/pictureitem.h"
#include "settings/proportion.h"
#include "settings/settingsmodel.h"

#include "jobs/outputchoices.h"
#include "settings/spinfield.h"

#include <gtest/gtest.h>

namespace pix {
namespace {

using test::picture;

// A model opened on the item with "Resize" ticked, as a person would before typing a size.
SettingsModel resizing(const JobItem& item) {
    SettingsModel m;
    m.open(&item, "/documents");
    m.setResize(true);
    return m;
}

// The other side from the picture's own proportions, rounded once, a half up.
TEST(Proportion, WorkedValuesAndRounding) {
    EXPECT_EQ(OtherSide(600, 800, 600), 450);
    EXPECT_EQ(OtherSide(1000, 800, 600), 750);
    EXPECT_EQ(OtherSide(2, 3, 7), 5);          // 4.67 rounds up
    EXPECT_EQ(OtherSide(333, 1000, 500), 167); // an exact half rounds up
    EXPECT_EQ(OtherSide(1, 1000, 1), 1) << "never below 1";
    EXPECT_EQ(OtherSide(5, 0, 7), 5) << "no ratio from a side of 0";
    EXPECT_EQ(OtherSide(65535, 1, 65535), 65535LL * 65535) << "no overflow";
}

TEST(SpinFieldTest, ReadsAsAtoiAndWrapsAtTheEnds) {
    EXPECT_EQ(ReadLeadingNumber("12ab"), 12);
    EXPECT_EQ(ReadLeadingNumber(""), 0);
    EXPECT_EQ(ReadLeadingNumber("ab"), 0);
    EXPECT_GT(ReadLeadingNumber(QString(40, u'9')), 65535) << "saturates instead of overflowing";
    SpinField number(0, 9999);
    number.setPosition(9999);
    number.step(1);
    EXPECT_EQ(number.text(), "0");
    number.step(-1);
    EXPECT_EQ(number.text(), "9999");
    number.setPosition(3);
    number.setText("");
    EXPECT_EQ(number.position(), 3) << "an empty edit reads as the last position";
    number.setText("123456");
    EXPECT_EQ(number.position(), 9999);
}

TEST(SettingsRules, WidthTypedKeepsProportions) {
    SettingsModel m = resizing(picture(800, 600));
    m.editWidth("400");
    EXPECT_EQ(m.height().text(), "300");

    SettingsModel typed = resizing(picture(800, 600));
    const char* steps[][2] = {{"4", "3"}, {"40", "30"}, {"400", "300"}};
    for (const auto& [width, height] : steps) {
        typed.editWidth(width);
        EXPECT_EQ(typed.height().text(), height) << "width " << width;
    }
}

// Each keystroke is a change of its own; the other side follows the picture's proportions
// after every one, so the first digit ("1" gives 1 x 1) cannot spoil the ones after it.
TEST(SettingsRules, TypedCharacterByCharacterTheOtherSideFollowsThePicture) {
    struct Case {
        int width, height;
        bool typingWidth;
        const char* typed;
        const char* other;
    } const cases[] = {
        {2560, 1600, true, "1024", "640"}, {800, 600, true, "320", "240"},
        {400, 300, false, "1200", "1600"}, {1000, 500, true, "333", "167"},
        {800, 600, true, "1", "1"},        {3, 7, true, "2", "5"},
    };
    for (const Case& c : cases) {
        SettingsModel typed = resizing(picture(c.width, c.height));
        SettingsModel pasted = resizing(picture(c.width, c.height));
        const QString text = c.typed;
        for (qsizetype n = 1; n <= text.size(); ++n)
            c.typingWidth ? typed.editWidth(text.left(n)) : typed.editHeight(text.left(n));
        c.typingWidth ? pasted.editWidth(text) : pasted.editHeight(text);
        const SpinField& other = c.typingWidth ? typed.height() : typed.width();
        EXPECT_EQ(other.text(), c.other) << c.width << " x " << c.height << " typed " << c.typed;
        EXPECT_EQ((c.typingWidth ? pasted.height() : pasted.width()).text(), c.other)
            << "pasted " << c.typed;
    }
}

TEST(SettingsRules, HeightArrowKeepsProportions) {
    SettingsModel arrow = resizing(picture(400, 300));
    arrow.stepHeight(1);
    EXPECT_EQ(arrow.height().text(), "301");
    EXPECT_EQ(arrow.width().text(), "401");
}

TEST(SettingsRules, WithoutConstrainTheOtherSideStays) {
    SettingsModel m = resizing(picture(800, 600));
    m.setConstrain(false);
    m.editWidth("123");
    EXPECT_EQ(m.height().text(), "600");
    m.editHeight("50");
    EXPECT_EQ(m.width().text(), "123");
}

TEST(SettingsRules, HostileSizesStayWithinRange) {
    SettingsModel empty = resizing(picture(800, 600));
    empty.editWidth("");
    EXPECT_EQ(empty.width().text(), "1");
    EXPECT_EQ(empty.height().text(), "1") << "600 scaled by 1/800";

    SettingsModel zero = resizing(picture(800, 600));
    zero.setConstrain(false);
    zero.editHeight("0");
    EXPECT_EQ(zero.height().text(), "1");

    SettingsModel letters = resizing(picture(800, 600));
    letters.editWidth("12ab");
    EXPECT_EQ(letters.height().text(), "9");

    SettingsModel huge = resizing(picture(800, 600));
    huge.editWidth("70000");
    EXPECT_EQ(huge.width().text(), "65535") << "beyond the range shows the range's end";
    EXPECT_EQ(huge.height().text(), "49151");
    huge.editWidth(QString(30, u'9'));
    EXPECT_EQ(huge.width().text(), "65535");
    huge.stepWidth(1);
    EXPECT_EQ(huge.width().text(), "1") << "the arrow wraps around";

    SettingsModel one = resizing(picture(800, 600));
    one.editWidth("1");
    EXPECT_EQ(one.height().text(), "1");
    one.editWidth("2");
    EXPECT_EQ(one.height().text(), "2");
}

TEST(SettingsRules, AnItemWithoutMeasuredSizeNeverDividesByZero) {
    JobItem fromJob = picture(0, 0);
    fromJob.output.width = 640;
    fromJob.output.height = 480;
    SettingsModel m;
    m.open(&fromJob, "/documents");
    EXPECT_TRUE(m.resize()) << "its size is not its measured one";
    m.editWidth("320");
    EXPECT_EQ(m.height().text(), "240");
    m.setResize(false);
    const SettingsResult r = m.accept().result;
    EXPECT_EQ(r.width, 640) << "no own size to go back to: the item's size stays";
    EXPECT_EQ(r.height, 480);
    EXPECT_EQ(r.resizeRequested, 0);

    JobItem unsized = picture(0, 0);
    SettingsModel fallback;
    fallback.open(&unsized, "/documents");
    EXPECT_EQ(fallback.width().text(), "800");
    EXPECT_EQ(fallback.height().text(), "600");
    fallback.editHeight("300");
    EXPECT_EQ(fallback.width().text(), "400");
}

TEST(SettingsOpening, SizeGroup) {
    SettingsModel own;
    own.open(std::make_unique<JobItem>(picture(1024, 768)).get(), "/documents");
    EXPECT_FALSE(own.resize());
    EXPECT_TRUE(own.constrain());
    EXPECT_EQ(own.width().text(), "1024");
    EXPECT_EQ(own.height().text(), "768");

    JobItem turned = picture(1024, 768);
    turned.output.width = 768;
    turned.output.height = 1024;
    turned.output.rotate = 90;
    SettingsModel m;
    m.open(&turned, "/documents");
    EXPECT_FALSE(m.resize());
    turned.output.rotate = 0;
    m.open(&turned, "/documents");
    EXPECT_TRUE(m.resize());
    EXPECT_TRUE(m.constrain());
}

TEST(SettingsOpening, EveryAngleAndMirror) {
    struct Case {
        int rotate, mirror;
        bool rotateChecked;
        RotationButton button;
    } cases[] = {
        {0, 0, false, RotationButton::None},    {0, 1, true, RotationButton::None},
        {90, 0, true, RotationButton::Deg270},  {90, 1, true, RotationButton::Deg270},
        {180, 0, true, RotationButton::Deg180}, {180, 1, true, RotationButton::Deg180},
        {270, 0, true, RotationButton::Deg90},  {270, 1, true, RotationButton::Deg90},
        {45, 0, true, RotationButton::None},
    };
    for (const Case& c : cases) {
        JobItem item = picture(640, 480);
        item.output.rotate = c.rotate;
        item.output.mirror = c.mirror;
        SettingsModel m;
        m.open(&item, "/documents");
        EXPECT_EQ(m.rotate(), c.rotateChecked) << c.rotate << "/" << c.mirror;
        EXPECT_EQ(m.checkedButton(), c.button) << c.rotate;
        EXPECT_EQ(m.mirror(), c.mirror == 1) << c.rotate;
        const SettingsResult r = m.accept().result;
        EXPECT_EQ(r.rotate, c.rotate == 45 ? 0 : c.rotate) << "the angle survives the dialog";
        EXPECT_EQ(r.mirror, c.mirror);
    }
}

TEST(SettingsOpening, EveryFormatAndItsQuality) {
    const struct {
        int code;
        int index;
        bool quality; // the format's encoder takes the quality
    } cases[] = {{99, 0, false}, {0, 1, false}, {2, 2, false}, {1, 3, true},
                 {3, 4, false},  {5, 5, false}, {7, 6, true},  {8, 7, true},
                 {9, 8, true},   {4, 0, false}, {-7, 0, false}};
    for (const auto& c : cases) {
        JobItem item = picture(640, 480);
        item.output.formatCode = c.code;
        item.output.quality = 60;
        SettingsModel m;
        m.open(&item, "/documents");
        EXPECT_EQ(m.formatIndex(), c.index) << c.code;
        EXPECT_EQ(m.qualityShown(), c.quality) << c.code;
        const SettingsResult r = m.accept().result;
        EXPECT_EQ(r.formatCode, formatChoices()[static_cast<std::size_t>(c.index)].code);
        EXPECT_EQ(r.quality, c.quality ? 60 : 80) << c.code;
    }
    EXPECT_EQ(QString(formatChoices()[0].label), "Remain Original");
    EXPECT_EQ(QString(formatChoices()[5].label), "TIFF");
    EXPECT_EQ(QString(formatChoices()[8].label), "JPEG XL");
}

TEST(SettingsOpening, ColourAndMetadataChoices) {
    const struct {
        ColourChoice colour;
        MetadataChoice metadata;
        int colourIndex, metadataIndex;
    } cases[] = {
        {ColourChoice::KeepProfile, MetadataChoice::KeepAll, 0, 0},
        {ColourChoice::ConvertToSrgb, MetadataChoice::RemoveLocation, 1, 1},
        {ColourChoice::KeepProfile, MetadataChoice::RemoveAll, 0, 2},
        {ColourChoice(7), MetadataChoice(-1), 0, 0}, // values no row has open as the defaults
    };
    for (const auto& c : cases) {
        JobItem item = picture(640, 480);
        item.output.colour = c.colour;
        item.output.metadata = c.metadata;
        SettingsModel m;
        m.open(&item, "/documents");
        EXPECT_EQ(m.colourIndex(), c.colourIndex);
        EXPECT_EQ(m.metadataIndex(), c.metadataIndex);
        m.chooseColour(5); // beyond the list: ignored
        m.chooseMetadata(-1);
        const SettingsResult r = m.accept().result;
        EXPECT_EQ(r.colour, colourChoices()[std::size_t(c.colourIndex)].value);
        EXPECT_EQ(r.metadata, metadataChoices()[std::size_t(c.metadataIndex)].value);
    }
    EXPECT_EQ(QString(colourChoices()[1].label), "Convert to sRGB");
    EXPECT_EQ(QString(metadataChoices()[2].label), "Remove all");
}

TEST(SettingsOpening, FolderAndRename) {
    JobItem item = picture(640, 480);
    item.output.folder.clear();
    item.output.startNumber = 3;
    SettingsModel m;
    m.open(&item, "/home/me/Documents");
    EXPECT_EQ(m.folder(), "/home/me/Documents");
    EXPECT_TRUE(m.rename());
    EXPECT_EQ(m.number().text(), "3");
    EXPECT_EQ(m.prefix(), "");

    SettingsModel none;
    none.open(nullptr, "/home/me/Documents");
    EXPECT_FALSE(none.rename());
    EXPECT_EQ(none.folder(), "/home/me/Documents");
    EXPECT_EQ(none.quality().text(), "80");
    const SettingsResult r = none.accept().result;
    EXPECT_EQ(r.formatCode, kFormatRemainOriginal);
    EXPECT_EQ(r.resizeRequested, 0);
}

TEST(SettingsRules, RotationButtonsPreviewTheSizeOnlyWithoutResize) {
    SettingsModel m;
    m.open(std::make_unique<JobItem>(picture(640, 480)).get(), "/documents");
    m.setRotate(true);
    m.clickRotationButton(RotationButton::Deg90);
    EXPECT_EQ(m.checkedButton(), RotationButton::Deg90);
    EXPECT_EQ(m.width().text(), "480");
    m.clickRotationButton(RotationButton::Deg90);
    EXPECT_EQ(m.checkedButton(), RotationButton::None);
    EXPECT_EQ(m.width().text(), "640");

    m.clickRotationButton(RotationButton::Deg180);
    EXPECT_EQ(m.width().text(), "640");
    m.clickRotationButton(RotationButton::Deg180);
    EXPECT_EQ(m.width().text(), "480") << "cleared 180 shows the size exchanged";
    m.clickRotationButton(RotationButton::Deg270);
    EXPECT_EQ(m.checkedButton(), RotationButton::Deg270);
    EXPECT_EQ(m.width().text(), "640");

    SettingsModel sized = resizing(picture(640, 480));
    sized.clickRotationButton(RotationButton::Deg90);
    EXPECT_EQ(sized.width().text(), "640") << "with Resize the typed size stays";
}

// With "Constrain Proportions" the sizes are those of the picture as it will be turned.
TEST(SettingsRules, AQuarterTurnExchangesTheSizeAndTypingFollowsTheTurnedPicture) {
    SettingsModel after = resizing(picture(640, 400));
    after.editWidth("800");
    ASSERT_EQ(after.height().text(), "500");
    after.setRotate(true);
    after.clickRotationButton(RotationButton::Deg270);
    EXPECT_EQ(after.width().text(), "500") << "ticking a quarter turn exchanges the sides";
    EXPECT_EQ(after.height().text(), "800");
    after.clickRotationButton(RotationButton::Deg90);
    EXPECT_EQ(after.width().text(), "500") << "from one quarter to the other: still turned";
    after.clickRotationButton(RotationButton::Deg180);
    EXPECT_EQ(after.width().text(), "800") << "a half turn is upright again";
    after.clickRotationButton(RotationButton::Deg90);
    after.setRotate(false);
    EXPECT_EQ(after.width().text(), "800") << "Rotate cleared: no turn";
    EXPECT_EQ(after.height().text(), "500");

    SettingsModel before;
    before.open(std::make_unique<JobItem>(picture(640, 400)).get(), "/documents");
    before.setRotate(true);
    before.clickRotationButton(RotationButton::Deg270);
    before.setResize(true);
    EXPECT_EQ(before.width().text(), "400") << "the turned picture's size";
    before.editWidth("800");
    EXPECT_EQ(before.height().text(), "1280");

    SettingsModel free = resizing(picture(640, 400));
    free.setConstrain(false);
    free.editWidth("800");
    free.setRotate(true);
    free.clickRotationButton(RotationButton::Deg270);
    EXPECT_EQ(free.width().text(), "800") << "without Constrain the typed size stays exact";
    EXPECT_EQ(free.height().text(), "400");
}

// An item written with a mode opens with it again, whatever size its picture came out at.
TEST(SettingsOpening, TheItemsResizeMode) {
    struct Case {
        ResizeRule rule;
        int outWidth, outHeight;
        const char* width;
        const char* longEdge;
        const char* percent;
    } const cases[] = {
        {{ResizeMode::Fit, 1024, 768, 0, 100, false, false}, 576, 768, "1024", "768", "100"},
        {{ResizeMode::LongEdge, 0, 0, 800, 100, true, false}, 600, 800, "600", "800", "100"},
        {{ResizeMode::Percent, 0, 0, 0, 25, false, false}, 300, 400, "300", "400", "25"},
        {{ResizeMode::Exact, 0, 0, 0, 100, true, false}, 1200, 1600, "1200", "1600", "100"},
    };
    for (const Case& c : cases) {
        JobItem item = picture(1200, 1600);
        item.output.width = c.outWidth;
        item.output.height = c.outHeight;
        item.output.resize = c.rule;
        SettingsModel m;
        m.open(&item, "/documents");
        EXPECT_TRUE(m.resize()) << "only shrink counts even at the picture's own size";
        EXPECT_EQ(m.mode(), c.rule.mode);
        EXPECT_EQ(m.shrinkOnly(), c.rule.shrinkOnly);
        EXPECT_EQ(m.width().text(), c.width);
        EXPECT_EQ(m.longEdge().text(), c.longEdge);
        EXPECT_EQ(m.percent().text(), c.percent);
        const ResizeRule back = m.accept().result.resize;
        EXPECT_EQ(back.mode, c.rule.mode);
        EXPECT_EQ(back.shrinkOnly, c.rule.shrinkOnly);
    }
}

TEST(SettingsRules, ModesTakeTheirOwnValues) {
    SettingsModel m = resizing(picture(800, 600));
    m.chooseMode(ResizeMode::Fit);
    m.editWidth("300");
    EXPECT_EQ(m.height().text(), "600") << "a box: the sides are free";
    m.chooseMode(ResizeMode::Exact);
    EXPECT_EQ(m.height().text(), "225") << "back to an exact size, the height follows again";
    m.chooseMode(ResizeMode::Percent);
    m.editPercent("5000");
    m.setShrinkOnly(true);
    ResizeRule rule = m.accept().result.resize;
    EXPECT_EQ(rule.mode, ResizeMode::Percent);
    EXPECT_EQ(rule.percent, kPercentMaximum) << "kept within its range";
    EXPECT_TRUE(rule.shrinkOnly);
    EXPECT_FALSE(rule.keepProportions) << "Constrain Proportions is the exact size's";
    m.chooseMode(ResizeMode::LongEdge);
    m.editLongEdge("1");
    m.stepLongEdge(-1);
    EXPECT_EQ(m.accept().result.resize.longEdge, 65535) << "the arrow wraps around";
    m.setResize(false);
    EXPECT_EQ(m.accept().result.resize, ResizeRule()) << "Resize cleared: no rule";
}

TEST(SettingsOk, WhatIsRefusedAndWhy) {
    SettingsModel m;
    m.open(std::make_unique<JobItem>(picture(640, 480)).get(), "/documents");
    m.editFolder(QString(256, u'f'));
    SettingsOutcome o = m.accept();
    EXPECT_EQ(o.refused, SettingsOutcome::Field::Folder);
    EXPECT_EQ(o.message, "Please enter no more than 255 characters.");
    m.editFolder(QString(255, u'f'));
    EXPECT_EQ(m.accept().refused, SettingsOutcome::Field::None);

    m.setRename(true);
    m.editPrefix(QString(51, u'p'));
    o = m.accept();
    EXPECT_EQ(o.refused, SettingsOutcome::Field::Prefix);
    EXPECT_EQ(o.message, "Please enter no more than 50 characters.");
    m.setRename(false);
    o = m.accept();
    EXPECT_EQ(o.refused, SettingsOutcome::Field::None) << "a cleared Rename drops the prefix";
    EXPECT_EQ(o.result.prefix, "");
    EXPECT_EQ(o.result.numberFrom, 0);

    EXPECT_FALSE(SettingsModel::prefixAllowed("a/b"));
    EXPECT_FALSE(SettingsModel::prefixAllowed(QString(51, u'p')));
    EXPECT_TRUE(SettingsModel::folderAllowed(QString(255, u'f')));
    EXPECT_FALSE(SettingsModel::digitsAllowed("12a"));
    EXPECT_TRUE(SettingsModel::digitsAllowed(""));
}

TEST(SettingsOk, WhatOkHandsBack) {
    SettingsModel m;
    m.open(std::make_unique<JobItem>(picture(640, 480)).get(), "/documents");
    m.setRotate(true);
    m.clickRotationButton(RotationButton::Deg90);
    SettingsResult r = m.accept().result;
    EXPECT_EQ(r.rotate, 270);
    EXPECT_EQ(r.width, 640) << "the shown size differs from the picture's: its own size";
    EXPECT_EQ(r.height, 480);
    EXPECT_EQ(r.resizeRequested, 1);

    m.chooseFormat(3);
    m.editQuality("150");
    m.setRename(true);
    m.editPrefix("Trip");
    m.editNumber("7");
    m.setResize(true);
    m.editWidth("320");
    m.setMirror(true);
    m.setRotate(false);
    r = m.accept().result;
    EXPECT_EQ(r.formatCode, kFormatJpg);
    EXPECT_EQ(r.quality, 100);
    EXPECT_EQ(r.prefix, "Trip");
    EXPECT_EQ(r.numberFrom, 7);
    // 320 was typed for the turned 480 x 640 picture (320 x 427); Rotate cleared turns it back.
    EXPECT_EQ(r.width, 427);
    EXPECT_EQ(r.height, 320);
    EXPECT_EQ(r.resizeRequested, 1);
    EXPECT_EQ(r.resize.mode, ResizeMode::Exact);
    EXPECT_TRUE(r.resize.keepProportions) << "Constrain Proportions";
    EXPECT_EQ(r.rotate, 0) << "Rotate cleared: no angle";
    EXPECT_EQ(r.mirror, 1) << "Mirror counts while Rotate is cleared";
    EXPECT_EQ(r.outputFolder, "/pictures");
}

} // namespace
} // namespace pix
