// Writing dialog results into items and the remarks they produce.
#include "jobs/applysettings.h"
#include "jobs/jobfixture.h"

#include <gtest/gtest.h>

namespace pix {
namespace {

SettingsResult unchanged(const JobItem& item) {
    SettingsResult r;
    r.outputFolder = item.output.folder;
    r.width = item.output.width;
    r.height = item.output.height;
    return r;
}

TEST(ApplySettings, RemarkNamesTheFileTheRunWillWrite) {
    JobItem a = test::itemFor("/in", "Beach.JPEG", 640, 480);
    JobItem b = test::itemFor("/in", "Noext", 640, 480);
    SettingsResult r = unchanged(a);
    r.formatCode = kFormatJpg;
    ApplySettings(a, r, 0);
    ApplySettings(b, r, 1);
    EXPECT_EQ(a.remarks, "beach.jpg");
    EXPECT_EQ(b.remarks, "noext") << "a name without a dot gets no extension";

    r.prefix = "Photo";
    r.formatCode = kFormatPng;
    for (int n = 5; n < 8; ++n) {
        JobItem item = test::itemFor("/in", "x.bmp", 10, 10);
        ApplySettings(item, r, n);
        EXPECT_EQ(item.remarks, QString("photo00%1.png").arg(n));
        EXPECT_EQ(item.output.startNumber, n);
        EXPECT_EQ(item.output.prefix, "Photo");
    }
}

TEST(ApplySettings, RemainOriginalWithNothingElseGivesAnEmptyRemark) {
    JobItem item = test::itemFor("/in", "a.png", 10, 10);
    ApplySettings(item, unchanged(item), 0);
    EXPECT_EQ(item.remarks, "");
}

TEST(ApplySettings, ColourAndMetadataChoicesAreStoredAndNamedWhenNotTheDefault) {
    const struct {
        ColourChoice colour;
        MetadataChoice metadata;
        const char* remarks;
    } cases[] = {
        {ColourChoice::KeepProfile, MetadataChoice::KeepAll, "Mirror"},
        {ColourChoice::ConvertToSrgb, MetadataChoice::KeepAll, "Mirror, sRGB"},
        {ColourChoice::KeepProfile, MetadataChoice::RemoveLocation, "Mirror, no location"},
        {ColourChoice::ConvertToSrgb, MetadataChoice::RemoveAll, "Mirror, sRGB, no metadata"},
    };
    for (const auto& c : cases) {
        JobItem item = test::itemFor("/in", "a.png", 640, 480);
        SettingsResult r = unchanged(item);
        r.mirror = 1;
        r.colour = c.colour;
        r.metadata = c.metadata;
        ApplySettings(item, r, 0);
        EXPECT_EQ(item.remarks, c.remarks);
        EXPECT_EQ(item.output.colour, c.colour);
        EXPECT_EQ(item.output.metadata, c.metadata);
    }
}

TEST(ApplySettings, TurnsAndMirrorAreDescribed) {
    JobItem item = test::itemFor("/in", "a.png", 640, 480);
    SettingsResult r = unchanged(item);
    r.rotate = 270;
    r.mirror = 1;
    ApplySettings(item, r, 0);
    EXPECT_EQ(item.remarks, "Rotate 270, Mirror");
    EXPECT_EQ(item.output.width, 480) << "a quarter turn exchanges the output size";
    EXPECT_EQ(item.output.height, 640);

    JobItem mirrored = test::itemFor("/in", "a.png", 640, 480);
    SettingsResult m = unchanged(mirrored);
    m.mirror = 1;
    ApplySettings(mirrored, m, 0);
    EXPECT_EQ(mirrored.remarks, "Mirror");
    EXPECT_EQ(mirrored.output.width, 640);
}

TEST(ApplySettings, AResizeIsDescribedAfterTheName) {
    JobItem item = test::itemFor("/in", "Big.JPG", 1024, 768);
    SettingsResult r = unchanged(item);
    r.formatCode = kFormatGif;
    r.width = 800;
    r.height = 600;
    r.resizeRequested = 1;
    r.rotate = 90;
    ApplySettings(item, r, 0);
    EXPECT_EQ(item.remarks, "big.gif, 800x600, Rotate 90");
    EXPECT_EQ(item.output.width, 800) << "a chosen size is not exchanged by the turn";
    EXPECT_EQ(item.output.height, 600);

    JobItem notRequested = test::itemFor("/in", "a.png", 1024, 768);
    SettingsResult n = unchanged(notRequested);
    n.width = 10;
    n.height = 10;
    ApplySettings(notRequested, n, 0);
    EXPECT_EQ(notRequested.output.width, 1024) << "without resizeRequested the size stays";
    EXPECT_EQ(notRequested.remarks, "");
}

// An item turned by a quarter shows its own size exchanged; confirming the dialog again, or
// changing the turn, must give the own size turned by the new angle, never the sides swapped back.
TEST(ApplySettings, QuarterTurnsFollowTheOwnSizeHoweverOftenApplied) {
    JobItem item = test::itemFor("/in", "a.png", 640, 480);
    SettingsResult r = unchanged(item);
    r.rotate = 90;
    ApplySettings(item, r, 0);
    ASSERT_EQ(item.output.width, 480);

    // What the dialog hands back when it is confirmed again without a change: the own size.
    SettingsResult again;
    again.outputFolder = "/in";
    again.rotate = 90;
    again.width = 640;
    again.height = 480;
    again.resizeRequested = 1;
    ApplySettings(item, again, 0);
    EXPECT_EQ(item.output.width, 480);
    EXPECT_EQ(item.output.height, 640);
    EXPECT_EQ(item.remarks, "Rotate 90") << "no size text when the size stays";

    // The size left as shown (resizeRequested 0) while the angle moves from 90 to 270.
    SettingsResult other = unchanged(item);
    other.rotate = 270;
    ApplySettings(item, other, 0);
    EXPECT_EQ(item.output.width, 480);
    EXPECT_EQ(item.output.height, 640);

    // Upright again, whichever way the dialog answers.
    JobItem upright = item;
    again.rotate = 180;
    ApplySettings(upright, again, 0);
    EXPECT_EQ(upright.output.width, 640);
    EXPECT_EQ(upright.output.height, 480);
    EXPECT_EQ(upright.remarks, "640x480, Rotate 180");
    SettingsResult shown = unchanged(item);
    shown.rotate = 0;
    ApplySettings(item, shown, 0);
    EXPECT_EQ(item.output.width, 640);
    EXPECT_EQ(item.output.height, 480);
    EXPECT_EQ(item.remarks, "");
}

TEST(ApplySettings, AChosenSizeIsExchangedOnceWhenTheItemTurnsSideways) {
    JobItem item = test::itemFor("/in", "a.png", 1024, 768);
    SettingsResult r = unchanged(item);
    r.width = 800;
    r.height = 600;
    r.resizeRequested = 1;
    ApplySettings(item, r, 0);
    ASSERT_EQ(item.output.width, 800);

    r.rotate = 90; // "Resize" still on, the size fields untouched
    ApplySettings(item, r, 0);
    EXPECT_EQ(item.output.width, 600);
    EXPECT_EQ(item.output.height, 800);
    SettingsResult kept = unchanged(item);
    kept.rotate = 90;
    kept.resizeRequested = 1;
    ApplySettings(item, kept, 0);
    EXPECT_EQ(item.output.width, 600) << "a second OK does not exchange back";
    EXPECT_EQ(item.output.height, 800);
}

// One Settings step over mixed rows: each row's size comes from its own picture, turned.
TEST(ApplySettings, EveryModeGivesEachRowItsOwnSize) {
    struct Case {
        ResizeRule rule;
        int rotate;
        const char* landscape; // the remark of a 1600 x 1200 row
        const char* portrait;  // of a 900 x 1200 row
    } const cases[] = {
        {{ResizeMode::Exact, 800, 600, 0, 100, false, true}, 0, "800x600", "450x600"},
        {{ResizeMode::Fit, 800, 800, 0, 100, false, false}, 0, "800x600", "600x800"},
        {{ResizeMode::LongEdge, 0, 0, 800, 100, false, false},
         90,
         "600x800, Rotate 90",
         "800x600, Rotate 90"},
        {{ResizeMode::Percent, 0, 0, 0, 50, false, false}, 0, "800x600", "450x600"},
        {{ResizeMode::LongEdge, 0, 0, 1500, 100, true, false}, 0, "1500x1125", ""},
    };
    for (const Case& c : cases) {
        JobItem landscape = test::itemFor("/in", "a.png", 1600, 1200);
        JobItem portrait = test::itemFor("/in", "b.png", 900, 1200);
        SettingsResult r = unchanged(landscape);
        r.resizeRequested = 1;
        r.width = c.rule.width;
        r.height = c.rule.height;
        r.resize = c.rule;
        r.rotate = c.rotate;
        ApplySettings(landscape, r, 0);
        ApplySettings(portrait, r, 1);
        EXPECT_EQ(landscape.remarks, c.landscape) << c.landscape;
        EXPECT_EQ(portrait.remarks, c.portrait) << c.portrait;
        EXPECT_EQ(portrait.output.resize, c.rule) << "the item keeps its mode";
    }

    // A row from a job file was never measured: its own output size gives the proportions.
    JobItem unmeasured = test::itemFor("/in", "c.png", 0, 0);
    unmeasured.output.width = 400;
    unmeasured.output.height = 300;
    SettingsResult half = unchanged(unmeasured);
    half.resizeRequested = 1;
    half.resize.mode = ResizeMode::Percent;
    half.resize.percent = 50;
    ApplySettings(unmeasured, half, 0);
    EXPECT_EQ(unmeasured.output.width, 200);
    EXPECT_EQ(unmeasured.output.height, 150);
}

TEST(ApplySettings, AnItemWithoutMeasuredSizeKeepsItsTurnedSize) {
    // A job-file item that gave its size: no source size, the output already turned.
    JobItem item = test::itemFor("/in", "a.png", 0, 0);
    item.output.width = 480;
    item.output.height = 640;
    item.output.rotate = 90;
    SettingsResult r = unchanged(item);
    r.rotate = 90;
    ApplySettings(item, r, 0);
    EXPECT_EQ(item.output.width, 480);
    EXPECT_EQ(item.output.height, 640);

    r.width = 0;
    r.height = 0;
    r.resizeRequested = 1;
    ApplySettings(item, r, 0);
    EXPECT_EQ(item.output.width, 480) << "a size with an empty side is never applied";
    EXPECT_EQ(item.remarks, "Rotate 90");
}

} // namespace
} // namespace pix
