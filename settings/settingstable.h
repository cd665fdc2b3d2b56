// Every setting the program keeps in the per-user settings store, in one table, with typed
// access. A new setting is a new row: its key path, value name, type and default.
#pragma once

#include <QByteArray>
#include <QLatin1String>
#include <QString>
#include <QStringList>
#include <optional>
#include <span>

namespace pix {

enum class Setting {
    ExtensionFilter, // the image browser's extension filter, e.g. "*.bmp;*.gif"
    ControlBarState, // the main window's toolbar and docking windows
    WindowPlacement, // the main window's position, size and show state
    Presets,         // the Settings dialog's presets, one text value per preset
    SplitterState,   // the heights of the image browser and the job list
    StatusBarShown,  // "1" when the status bar is shown, "0" when it is hidden
    LastFolder,      // the folder selected in the Folders tree at the last close
};

// Group settings hold one text value per entry, named by the entry, instead of one value.
enum class SettingType { Text, Bytes, Group };

struct SettingRow {
    Setting id;
    QLatin1String keyPath;   // below the current user's root, e.g. "Software\Norvance\Pixovia"
    QLatin1String valueName; // e.g. "extfilter"
    SettingType type;
    QLatin1String defaultText; // for Text settings; Bytes settings default to nothing
};

std::span<const SettingRow> settingRows();
const SettingRow& settingRow(Setting id);

// Reads and writes the table's settings through CCEReg. Each call opens the key, uses it and
// closes it, as every user of the store does; nothing is cached.
class SettingsStore {
public:
    // The stored text, or the row's default when the key or the value cannot be used.
    QString text(Setting id) const;
    // The stored bytes, empty when absent or unreadable.
    QByteArray bytes(Setting id) const;
    // False when the store cannot be opened or written.
    bool setText(Setting id, const QString& text);
    bool setBytes(Setting id, const QByteArray& bytes);

    // The entries of a Group setting: their names, one entry's text (none when it is missing or
    // not text), writing and removing one.
    QStringList entryNames(Setting id) const;
    std::optional<QString> entryText(Setting id, const QString& name) const;
    bool setEntryText(Setting id, const QString& name, const QString& text);
    bool removeEntry(Setting id, const QString& name);
};

} // namespace pix
