// The extension filter kept in the per-user settings store.
#include "browser/common/formatting.h"
#include "settings/cereg.h"
#include "settings/filtersettings.h"
#include "settings/settingstable.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>

namespace pix {
namespace {

class FilterSettings : public ::testing::Test {
protected:
    QTemporaryDir home;

    void SetUp() override {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.path());
        SetFilterList({});
    }
    QString confPath() const { return home.filePath("Norvance/Pixovia.conf"); }
    QString stored() const {
        QSettings store(confPath(), QSettings::IniFormat);
        return store.value("Settings/extfilter", "<absent>").toString();
    }
    void writeConf(const QByteArray& text) {
        QDir().mkpath(home.filePath("Norvance"));
        QFile file(confPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
};

TEST_F(FilterSettings, AFirstRunUsesTheDefaultAndSavesIt) {
    LoadFilterSettings();
    EXPECT_EQ(FilterList(), QStringList({"*.bmp", "*.gif", "*.jpg", "*.png", "*.ico", "*.wmf"}));
    SaveFilterSettings();
    EXPECT_EQ(stored(), "*.bmp;*.gif;*.jpg;*.png;*.ico;*.wmf");
}

TEST_F(FilterSettings, TheListIsSavedNotTheTypedText) {
    QStringList list;
    ParseFilterList("*.png,*.jpg", &list);
    SetFilterList(list);
    SaveFilterSettings();
    EXPECT_EQ(stored(), "*.png;*.jpg");
    SetFilterList({});
    LoadFilterSettings();
    EXPECT_EQ(FilterList(), QStringList({"*.png", "*.jpg"}));
}

TEST_F(FilterSettings, AnOverlongValueIsIgnoredAndReplacedAtExit) {
    writeConf("[Settings]\nextfilter=" + QByteArray(300, 'x') + "\n");
    LoadFilterSettings();
    EXPECT_EQ(FilterList().size(), 6);
    SaveFilterSettings();
    EXPECT_EQ(stored(), "*.bmp;*.gif;*.jpg;*.png;*.ico;*.wmf");
}

TEST_F(FilterSettings, AnEmptyValueStaysEmpty) {
    writeConf("[Settings]\nextfilter=\n");
    LoadFilterSettings();
    EXPECT_TRUE(FilterList().isEmpty());
    SaveFilterSettings();
    EXPECT_EQ(stored(), "");
}

TEST_F(FilterSettings, AHandEditedListWithCommasReadsAsWritten) {
    writeConf("[Settings]\nextfilter=*.tif,*.PNG\n");
    LoadFilterSettings();
    EXPECT_EQ(FilterList(), QStringList({"*.tif", "*.PNG"}));
}

TEST(CCERegTest, ValuesRoundTripAndLongOnesDoNotFit) {
    QTemporaryDir home;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.path());
    CCEReg registry;
    std::optional<RegKey> key = registry.OpenKey({}, kSettingsKeyPath, true);
    ASSERT_TRUE(key);
    EXPECT_FALSE(registry.OpenKey("HKEY_LOCAL_MACHINE", kSettingsKeyPath, true));
    EXPECT_TRUE(registry.WriteString(*key, "name", QString::fromUtf8("ünïcode;text")));
    QString text;
    ASSERT_TRUE(registry.ReadString(*key, "name", text));
    EXPECT_EQ(text, QString::fromUtf8("ünïcode;text"));
    EXPECT_FALSE(registry.ReadString(*key, "missing", text));
    EXPECT_TRUE(registry.WriteString(*key, "long", QString(259, u'a')));
    EXPECT_TRUE(registry.ReadString(*key, "long", text));
    EXPECT_TRUE(registry.WriteString(*key, "long", QString(130, QChar(0xE9)))); // 260 bytes
    EXPECT_FALSE(registry.ReadString(*key, "long", text));
}

TEST(SettingsTable, EverySettingHasOneRowAndTypedValuesRoundTrip) {
    QTemporaryDir home;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.path());
    for (Setting id :
         {Setting::ExtensionFilter, Setting::ControlBarState, Setting::WindowPlacement}) {
        const auto rows = settingRows();
        EXPECT_EQ(std::count_if(rows.begin(), rows.end(),
                                [id](const SettingRow& row) { return row.id == id; }),
                  1);
        EXPECT_EQ(settingRow(id).id, id);
    }

    SettingsStore store;
    EXPECT_EQ(store.text(Setting::ExtensionFilter), kDefaultFilterText);
    EXPECT_TRUE(store.bytes(Setting::ControlBarState).isEmpty());

    const char raw[] = "\0\1\2 binary\n;=[]";
    const QByteArray layout(raw, sizeof raw - 1);
    ASSERT_TRUE(store.setBytes(Setting::ControlBarState, layout));
    ASSERT_TRUE(store.setText(Setting::ExtensionFilter, QStringLiteral("*.png")));
    EXPECT_EQ(store.bytes(Setting::ControlBarState), layout);
    EXPECT_TRUE(store.bytes(Setting::WindowPlacement).isEmpty());
    EXPECT_EQ(store.text(Setting::ExtensionFilter), "*.png");
    // The filter stays where it always was, beside the window's own groups.
    QSettings file(home.filePath("Norvance/Pixovia.conf"), QSettings::IniFormat);
    EXPECT_EQ(file.value("Settings/extfilter").toString(), "*.png");
    EXPECT_EQ(file.value("Control Bar State/state").toByteArray(), layout);
}

TEST(SettingsTable, ALayoutEditedIntoTextIsNotUsed) {
    QTemporaryDir home;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.path());
    {
        QSettings file(home.filePath("Norvance/Pixovia.conf"), QSettings::IniFormat);
        file.setValue("Window Placement/placement", "not a layout");
    }
    EXPECT_TRUE(SettingsStore().bytes(Setting::WindowPlacement).isEmpty());
}

} // namespace
} // namespace pix
