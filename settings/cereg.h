// Small access class for the per-user settings store (the registry on Windows, a QSettings file
// here: ~/.config/Norvance/Pixovia.conf). Key paths and value names keep their registry form,
// e.g. "Software\\Norvance\\Pixovia\\Settings" and "extfilter".
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace pix {

// An open key: the settings group it stands for. Holds no file handle.
struct RegKey {
    QString group;
};

class CCEReg {
public:
    CCEReg() = default;
    CCEReg(const CCEReg&) = delete;
    CCEReg& operator=(const CCEReg&) = delete;
    // Every write reaches the file at once (settings/settingsfile.h): nothing is left to flush.
    virtual ~CCEReg();

    // Opens the key below the current user's root (root must be empty: the only root here).
    // When it does not exist and create is set, it is created.
    std::optional<RegKey> OpenKey(const QString& root, const QString& subKey, bool create);
    std::optional<RegKey> CreateKey(const QString& root, const QString& subKey);

    bool WriteString(const RegKey& key, const QString& name, const QString& text);
    // False when the value is missing or does not fit the 260-byte buffer the store promises
    // (a text of 260 UTF-8 bytes or more).
    bool ReadString(const RegKey& key, const QString& name, QString& text);
    // Binary values (the window layout): read back exactly as written, of any length.
    bool WriteBinary(const RegKey& key, const QString& name, const QByteArray& bytes);
    bool ReadBinary(const RegKey& key, const QString& name, QByteArray& bytes);
    bool CloseKey(RegKey& key);

    // The names of the key's values, for keys that hold one value per entry (the presets).
    QStringList ValueNames(const RegKey& key);
    // A text value of any length; false when it is missing or not text.
    bool ReadLongString(const RegKey& key, const QString& name, QString& text);
    // False when the store cannot be written; a missing value counts as deleted.
    bool DeleteValue(const RegKey& key, const QString& name);
};

// The key that holds the program's own settings, and the application key above it.
inline constexpr const char* kSettingsKeyPath = "Software\\Norvance\\Pixovia\\Settings";

} // namespace pix
