// The Settings dialog's presets through its model: saving the choices, choosing them on another
// picture, what is refused, deleting.
#include "settings/pictureitem.h"
#include "settings/settingsmodel.h"

#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace pix {
namespace {

using test::picture;

class PresetsModel : public ::testing::Test {
protected:
    QTemporaryDir home;
    PresetStore store;

    void SetUp() override {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.path());
    }
    // A dialog opened on a picture, with the presets offered.
    SettingsModel opened(const JobItem& item) {
        SettingsModel m;
        m.open(&item, "/documents");
        m.setPresetStore(&store);
        return m;
    }
};

TEST_F(PresetsModel, ChoicesSavedAndChosenOnAnotherPicture) {
    struct Case {
        const char* name;
        std::function<void(SettingsModel&)> choose;
        std::function<void(const SettingsResult&)> check;
    } const cases[] = {
        {"long edge",
         [](SettingsModel& m) {
             m.chooseFormat(FormatIndexOf(kFormatJpg));
             m.editQuality("70");
             m.editFolder("/out/web 100%");
             m.setKeepFolders(true);
             m.setResize(true);
             m.chooseMode(ResizeMode::LongEdge);
             m.editLongEdge("800");
             m.setShrinkOnly(true);
             m.setRotate(true);
             m.clickRotationButton(RotationButton::Deg270);
             m.setMirror(true);
             m.setRename(true);
             m.editPrefix("Trip");
             m.editNumber("3");
             m.chooseColour(1);
             m.chooseMetadata(2);
         },
         [](const SettingsResult& r) {
             EXPECT_EQ(r.formatCode, kFormatJpg);
             EXPECT_EQ(r.quality, 70);
             EXPECT_EQ(r.outputFolder, "/out/web 100%");
             EXPECT_EQ(r.keepFolders, 1);
             EXPECT_EQ(r.resize.mode, ResizeMode::LongEdge);
             EXPECT_EQ(r.resize.longEdge, 800);
             EXPECT_TRUE(r.resize.shrinkOnly);
             EXPECT_EQ(r.rotate, 90);
             EXPECT_EQ(r.mirror, 1);
             EXPECT_EQ(r.prefix, "Trip");
             EXPECT_EQ(r.numberFrom, 3);
             EXPECT_EQ(r.colour, ColourChoice::ConvertToSrgb);
             EXPECT_EQ(r.metadata, MetadataChoice::RemoveAll);
         }},
        {"constrained box",
         [](SettingsModel& m) {
             m.setResize(true);
             m.editWidth("1024");
         },
         [](const SettingsResult& r) {
             EXPECT_EQ(r.resize.mode, ResizeMode::Exact);
             EXPECT_EQ(QSize(r.width, r.height), QSize(1024, 768)) << "the box as typed";
             EXPECT_TRUE(r.resize.keepProportions) << "each picture keeps its proportions";
             EXPECT_EQ(r.formatCode, kFormatRemainOriginal);
             EXPECT_EQ(r.rotate, 0);
         }},
        {"fit",
         [](SettingsModel& m) {
             m.setResize(true);
             m.chooseMode(ResizeMode::Fit);
             m.editWidth("500");
             m.editHeight("500");
             m.chooseFormat(FormatIndexOf(kFormatPng));
             m.chooseMetadata(1);
         },
         [](const SettingsResult& r) {
             EXPECT_EQ(r.resize.mode, ResizeMode::Fit);
             EXPECT_EQ(QSize(r.resize.width, r.resize.height), QSize(500, 500));
             EXPECT_EQ(r.formatCode, kFormatPng);
             EXPECT_EQ(r.quality, 80);
             EXPECT_EQ(r.colour, ColourChoice::KeepProfile);
             EXPECT_EQ(r.metadata, MetadataChoice::RemoveLocation);
         }},
        {"avif quality",
         [](SettingsModel& m) {
             m.chooseFormat(FormatIndexOf(kFormatAvif));
             m.editQuality("55");
         },
         [](const SettingsResult& r) {
             EXPECT_EQ(r.formatCode, kFormatAvif);
             EXPECT_EQ(r.quality, 55) << "the quality of every format that takes one";
         }},
        {"no resize", [](SettingsModel& m) { m.editFolder("/elsewhere"); },
         [](const SettingsResult& r) {
             EXPECT_EQ(r.resize, ResizeRule());
             EXPECT_EQ(r.resizeRequested, 0) << "the portrait keeps its own size";
             EXPECT_EQ(r.outputFolder, "/elsewhere");
             EXPECT_EQ(r.colour, ColourChoice::KeepProfile);
             EXPECT_EQ(r.metadata, MetadataChoice::KeepAll);
         }},
    };
    for (const Case& c : cases) {
        SettingsModel saving = opened(picture(1600, 1200));
        c.choose(saving);
        ASSERT_EQ(saving.savePreset(c.name), "") << c.name;
        EXPECT_EQ(saving.presetIndex(), saving.presetNames().indexOf(c.name));

        SettingsModel choosing = opened(picture(600, 800));
        const int index = int(choosing.presetNames().indexOf(c.name));
        ASSERT_GE(index, 0) << c.name;
        choosing.choosePreset(index);
        SCOPED_TRACE(c.name);
        c.check(choosing.accept().result);
    }
}

TEST_F(PresetsModel, WhatIsRefusedReplacedAndDeleted) {
    SettingsModel m = opened(picture(640, 480));
    EXPECT_EQ(m.savePreset("  "), "Please enter a name for the preset.");
    EXPECT_EQ(m.savePreset(QString(51, u'n')), "Please enter no more than 50 characters.");
    m.setRename(true);
    m.editPrefix(QString(51, u'p'));
    EXPECT_EQ(m.savePreset("long prefix"), "Please enter no more than 50 characters.");
    m.setRename(false);
    EXPECT_TRUE(m.presetNames().isEmpty()) << "nothing refused was saved";

    ASSERT_EQ(m.savePreset("Web"), "");
    EXPECT_TRUE(m.presetExists("WEB"));
    m.chooseFormat(FormatIndexOf(kFormatGif));
    ASSERT_EQ(m.savePreset("web"), "") << "the same name replaces it";
    EXPECT_EQ(m.presetNames(), QStringList{"web"});
    ASSERT_EQ(m.savePreset("Archive"), "");
    EXPECT_EQ(m.presetNames(), QStringList({"Archive", "web"}));
    m.choosePreset(1);
    EXPECT_EQ(m.formatIndex(), FormatIndexOf(kFormatGif));
    EXPECT_TRUE(m.deleteChosenPreset());
    EXPECT_EQ(m.presetNames(), QStringList{"Archive"});
    EXPECT_EQ(m.presetIndex(), -1);
    EXPECT_FALSE(m.deleteChosenPreset()) << "none chosen";

    SettingsModel without;
    without.open(nullptr, "/documents");
    EXPECT_FALSE(without.presetsOffered());
    EXPECT_EQ(without.savePreset("x"), "No presets can be kept.");
}

} // namespace
} // namespace pix
