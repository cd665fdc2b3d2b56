#include "settings/settingstable.h"

#include "browser/common/formatting.h"
#include "settings/cereg.h"

#include <array>

namespace pix {

namespace {

using namespace Qt::Literals::StringLiterals;

// The window's layout lives under the application key, beside the "Settings" key.
constexpr std::array kRows{
    SettingRow{Setting::ExtensionFilter, "Software\\Norvance\\Pixovia\\Settings"_L1, "extfilter"_L1,
               SettingType::Text, kDefaultFilterText},
    SettingRow{Setting::ControlBarState,
               "Software\\Norvance\\Pixovia\\Control Bar State"_L1,
               "state"_L1,
               SettingType::Bytes,
               {}},
    SettingRow{Setting::WindowPlacement,
               "Software\\Norvance\\Pixovia\\Window Placement"_L1,
               "placement"_L1,
               SettingType::Bytes,
               {}},
    SettingRow{
        Setting::Presets, "Software\\Norvance\\Pixovia\\Presets"_L1, {}, SettingType::Group, {}},
    SettingRow{Setting::SplitterState,
               "Software\\Norvance\\Pixovia\\Window Placement"_L1,
               "splitter"_L1,
               SettingType::Bytes,
               {}},
    SettingRow{Setting::StatusBarShown, "Software\\Norvance\\Pixovia\\Window Placement"_L1,
               "statusbar"_L1, SettingType::Text, "1"_L1},
    SettingRow{Setting::LastFolder,
               "Software\\Norvance\\Pixovia\\Settings"_L1,
               "folder"_L1,
               SettingType::Text,
               {}},
};

// Opens the row's key (creating it, as the program always does), runs `use` and closes it.
template <typename Use> bool withKey(const SettingRow& row, Use&& use) {
    CCEReg registry;
    std::optional<RegKey> key = registry.OpenKey({}, row.keyPath, true);
    if (!key)
        return false;
    const bool done = use(registry, *key);
    registry.CloseKey(*key);
    return done;
}

} // namespace

std::span<const SettingRow> settingRows() {
    return kRows;
}

const SettingRow& settingRow(Setting id) {
    for (const SettingRow& row : kRows) {
        if (row.id == id)
            return row;
    }
    return kRows.front(); // unreachable: every Setting has a row (checked by the tests)
}

QString SettingsStore::text(Setting id) const {
    const SettingRow& row = settingRow(id);
    QString text;
    if (withKey(row, [&](CCEReg& registry, const RegKey& key) {
            return registry.ReadString(key, row.valueName, text);
        }))
        return text;
    return row.defaultText;
}

QByteArray SettingsStore::bytes(Setting id) const {
    const SettingRow& row = settingRow(id);
    QByteArray bytes;
    withKey(row, [&](CCEReg& registry, const RegKey& key) {
        return registry.ReadBinary(key, row.valueName, bytes);
    });
    return bytes;
}

bool SettingsStore::setText(Setting id, const QString& text) {
    const SettingRow& row = settingRow(id);
    return withKey(row, [&](CCEReg& registry, const RegKey& key) {
        return registry.WriteString(key, row.valueName, text);
    });
}

bool SettingsStore::setBytes(Setting id, const QByteArray& bytes) {
    const SettingRow& row = settingRow(id);
    return withKey(row, [&](CCEReg& registry, const RegKey& key) {
        return registry.WriteBinary(key, row.valueName, bytes);
    });
}

QStringList SettingsStore::entryNames(Setting id) const {
    QStringList names;
    withKey(settingRow(id), [&](CCEReg& registry, const RegKey& key) {
        names = registry.ValueNames(key);
        return true;
    });
    return names;
}

std::optional<QString> SettingsStore::entryText(Setting id, const QString& name) const {
    QString text;
    if (withKey(settingRow(id), [&](CCEReg& registry, const RegKey& key) {
            return registry.ReadLongString(key, name, text);
        }))
        return text;
    return std::nullopt;
}

bool SettingsStore::setEntryText(Setting id, const QString& name, const QString& text) {
    return withKey(settingRow(id), [&](CCEReg& registry, const RegKey& key) {
        return registry.WriteString(key, name, text);
    });
}

bool SettingsStore::removeEntry(Setting id, const QString& name) {
    return withKey(settingRow(id), [&](CCEReg& registry, const RegKey& key) {
        return registry.DeleteValue(key, name);
    });
}

} // namespace pix
