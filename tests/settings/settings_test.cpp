// The extension filter kept in the per-user settings store.
#include "browser/common/formatting.h"
#include "settings/cereg.h"
#include "settings/filtersettings.h"
#include "settings/presets.h"
#include "settings/settingsfile.h"
#include "settings/settingstable.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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
    EXPECT_EQ(FilterList(),
              QStringList({"*.bmp", "*.gif", "*.jpg", "*.png", "*.ico", "*.wmf", "*.jpeg", "*.tif",
                           "*.tiff", "*.webp", "*.heic", "*.heif", "*.avif", "*.jxl"}));
    SaveFilterSettings();
    EXPECT_EQ(stored(), "*.bmp;*.gif;*.jpg;*.png;*.ico;*.wmf;*.jpeg;*.tif;*.tiff;*.webp;*.heic;*."
                        "heif;*.avif;*.jxl");
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

TEST_F(FilterSettings, AStoredFilterIsKeptAsItIsWhateverTheDefault) {
    // A filter stored before HEIC, WebP, AVIF and JPEG XL were read stays the user's choice.
    writeConf("[Settings]\nextfilter=\"*.bmp;*.gif;*.jpg;*.png;*.ico;*.wmf\"\n");
    LoadFilterSettings();
    EXPECT_EQ(FilterList(), QStringList({"*.bmp", "*.gif", "*.jpg", "*.png", "*.ico", "*.wmf"}));
    SaveFilterSettings();
    EXPECT_EQ(stored(), "*.bmp;*.gif;*.jpg;*.png;*.ico;*.wmf");
}

TEST_F(FilterSettings, AnOverlongValueIsIgnoredAndReplacedAtExit) {
    writeConf("[Settings]\nextfilter=" + QByteArray(300, 'x') + "\n");
    LoadFilterSettings();
    EXPECT_EQ(FilterList().size(), 14);
    SaveFilterSettings();
    EXPECT_EQ(stored(), "*.bmp;*.gif;*.jpg;*.png;*.ico;*.wmf;*.jpeg;*.tif;*.tiff;*.webp;*.heic;*."
                        "heif;*.avif;*.jxl");
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

// What stands at the settings file's place is never replaced, blocked on or read at length:
// an unchanged file is not written, a link is written through and stays, a FIFO, a link to one
// and a huge file are left alone with the defaults used and a note, and the owner stays.
TEST_F(FilterSettings, TheFileIsWrittenOnlyWhenItChangesAndNeverReplaced) {
    const auto inode = [](const QString& path) {
        struct stat info {};
        ::lstat(QFile::encodeName(path).constData(), &info);
        return info;
    };
    const QString real = home.filePath("real.conf");
    const QByteArray defaults = "[Settings]\nextfilter=\"*.bmp;*.gif;*.jpg;*.png;*.ico;*.wmf\"\n";
    const struct {
        const char* name;
        std::function<bool()> make; // what stands at the file's place
        QStringList change;         // a new filter to save; empty: the one loaded
        bool used;                  // the file is read and may be written
        QString stored;             // the filter the file (or the link's target) holds after
    } cases[] = {
        {"an unchanged file",
         [&] {
             writeConf(defaults);
             return true;
         },
         {},
         true,
         "*.bmp;*.gif;*.jpg;*.png;*.ico;*.wmf"},
        {"a link to a file",
         [&] {
             writeConf("[Settings]\nextfilter=*.png\n");
             return QFile::rename(confPath(), real) && QFile::link(real, confPath());
         },
         {"*.gif"},
         true,
         "*.gif"},
        {"a FIFO",
         [&] {
             QDir().mkpath(home.filePath("Norvance"));
             return ::mkfifo(QFile::encodeName(confPath()).constData(), 0600) == 0;
         },
         {"*.gif"},
         false,
         "<absent>"},
        {"a link to a FIFO",
         [&] {
             QDir().mkpath(home.filePath("Norvance"));
             return ::mkfifo(QFile::encodeName(real).constData(), 0600) == 0 &&
                    QFile::link(real, confPath());
         },
         {"*.gif"},
         false,
         "<absent>"},
        {"a file of two megabytes",
         [&] {
             writeConf("[Settings]\nextfilter=*.png\n[Junk]\nx=" + QByteArray(2 << 20, 'j') + "\n");
             return true;
         },
         {"*.gif"},
         false,
         "*.png"},
        {"a file of another user",
         [&] {
             writeConf("[Settings]\nextfilter=*.png\n");
             return geteuid() == 0 &&
                    ::chown(QFile::encodeName(confPath()).constData(), 65534, 65534) == 0;
         },
         {"*.gif"},
         true,
         "*.gif"},
    };
    for (const auto& c : cases) {
        QDir(home.filePath("Norvance")).removeRecursively();
        QFile::remove(real);
        if (!c.make())
            continue; // another user's file needs root to make
        const struct stat before = inode(confPath());
        SetFilterList({});
        LoadFilterSettings();
        EXPECT_EQ(SettingsFileNote().isEmpty(), c.used) << c.name;
        if (!c.used) {
            EXPECT_EQ(FilterList().size(), 14) << c.name << ": the defaults";
        }
        if (!c.change.isEmpty())
            SetFilterList(c.change);
        SaveFilterSettings();
        const struct stat after = inode(confPath());
        EXPECT_EQ(after.st_mode, before.st_mode) << c.name << ": the same kind of file";
        EXPECT_EQ(after.st_uid, before.st_uid) << c.name << ": the same owner";
        if (c.change.isEmpty() || !c.used) {
            EXPECT_EQ(after.st_ino, before.st_ino) << c.name << ": not written";
            EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec) << c.name;
        }
        if (S_ISREG(inode(QFileInfo(confPath()).canonicalFilePath()).st_mode)) {
            QSettings store(QFileInfo(confPath()).canonicalFilePath(), QSettings::IniFormat);
            EXPECT_EQ(store.value("Settings/extfilter", "<absent>").toString(), c.stored) << c.name;
        }
    }
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
         {Setting::ExtensionFilter, Setting::ControlBarState, Setting::WindowPlacement,
          Setting::Presets, Setting::SplitterState, Setting::StatusBarShown, Setting::LastFolder}) {
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

// Presets survive in the settings file, one entry per preset, under any name.
TEST(Presets, RoundTripThroughTheSettingsFile) {
    QTemporaryDir home;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.path());
    const PresetValues web{{"outputformat", "jpg"},
                           {"quality", "85"},
                           {"resize", "long"},
                           {"size", "1600"},
                           {"outputfolder", "/home/ann/100% web\nfolder"}};
    const PresetValues tiny{{"resize", "percent"}, {"percent", "10"}, {"rotate", "-90"}};
    const QString names[] = {"Web", "a/b\\c", QString::fromUtf8("Übersicht 50%"), " spaced "};
    {
        PresetStore store;
        for (const QString& name : names)
            ASSERT_TRUE(store.save({name, name == "Web" ? web : tiny}));
        ASSERT_TRUE(store.save({"WEB", web})) << "the same name in other case replaces it";
    }
    PresetStore again; // as after a restart: everything is read from the file
    const PresetStore::Listing listing = again.list();
    EXPECT_TRUE(listing.notes.isEmpty());
    QStringList listed;
    for (const Preset& preset : listing.presets)
        listed << preset.name;
    EXPECT_EQ(listed,
              QStringList({" spaced ", "a/b\\c", "WEB", QString::fromUtf8("Übersicht 50%")}));
    EXPECT_EQ(again.find("web"), web);
    EXPECT_EQ(again.find("a/b\\c"), tiny);
    QString why;
    EXPECT_FALSE(again.find("missing", &why));
    EXPECT_EQ(why, "there is no such preset");
    EXPECT_TRUE(again.remove("a/B\\c"));
    EXPECT_TRUE(again.remove("never there"));
    EXPECT_EQ(again.list().presets.size(), 3u);

    QSettings file(home.filePath("Norvance/Pixovia.conf"), QSettings::IniFormat);
    file.beginGroup("Presets");
    EXPECT_EQ(file.childKeys().size(), 3);
    EXPECT_TRUE(file.value("WEB").toString().startsWith("pixovia-preset 1\noutputformat=jpg\n"));
}

TEST(Presets, ADamagedEntryIsLeftOutWithANote) {
    QTemporaryDir home;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.path());
    PresetStore store;
    ASSERT_TRUE(store.save({"good", {{"quality", "70"}}}));
    {
        QSettings file(home.filePath("Norvance/Pixovia.conf"), QSettings::IniFormat);
        file.setValue("Presets/broken", "pixovia-preset 1\nquality=high");
        file.setValue("Presets/binary", QByteArray("\x01\x02", 2));
    }
    const PresetStore::Listing listing = store.list();
    ASSERT_EQ(listing.presets.size(), 1u);
    EXPECT_EQ(listing.presets[0].name, "good");
    EXPECT_EQ(listing.notes,
              QStringList({"The preset \"binary\" cannot be read (it is not text) and is left out.",
                           "The preset \"broken\" cannot be read (quality \"high\" is not a "
                           "number) and is left out."}));
    QString why;
    EXPECT_FALSE(store.find("broken", &why));
    EXPECT_EQ(why, "it cannot be read (quality \"high\" is not a number)");
}

TEST(Presets, WhatATextMustBeToBeRead) {
    EXPECT_EQ(ParsePresetText(PresetText({{"prefix", "a=b%0A"}, {"width", "-3"}})),
              PresetValues({{"prefix", "a=b%0A"}, {"width", "-3"}}));
    EXPECT_EQ(ParsePresetText("pixovia-preset 1"), PresetValues());
    const struct {
        const char* text;
        const char* why;
    } damaged[] = {
        {"", "it does not begin with \"pixovia-preset 1\""},
        {"pixovia-preset 1.5\nquality=80", "it does not begin with \"pixovia-preset 1\""},
        {"pixovia-preset 2\nquality=80", "it was saved by a newer version of Pixovia"},
        {"pixovia-preset 1\nquality", "line 2 is not \"name=value\""},
        {"pixovia-preset 1\n=80", "line 2 is not \"name=value\""},
        {"pixovia-preset 1\nsharpen=red", "line 2 holds \"sharpen\", which is not a setting"},
        {"pixovia-preset 1\n\nprefix=50%", "line 3 has a broken %-escape"},
        {"pixovia-preset 1\nprefix=%zz", "line 2 has a broken %-escape"},
        {"pixovia-preset 1\nsize=", "size \"\" is not a number"},
        {"pixovia-preset 1\nrotate=+90", "rotate \"+90\" is not a number"},
    };
    for (const auto& c : damaged) {
        QString why;
        EXPECT_FALSE(ParsePresetText(QString::fromUtf8(c.text), &why)) << c.text;
        EXPECT_EQ(why, c.why) << c.text;
    }
}

} // namespace
} // namespace pix
