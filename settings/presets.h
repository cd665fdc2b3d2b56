// Presets: the Settings dialog's choices saved under a name, in the settings store, one entry
// per preset. A preset holds its values as job-file attributes (outputformat, quality,
// resize, width, ...), so that a job-file entry can name one with preset="NAME".
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

namespace pix {

// Attribute names and values, in the order they are applied.
using PresetValues = QList<std::pair<QString, QString>>;

struct Preset {
    QString name;
    PresetValues values;
};

// The longest name a preset may have.
inline constexpr int kPresetNameMaxLength = 50;

/// The versioned text a preset is stored as: a first line "pixovia-preset 1", then one line
/// "name=value" per value, with "%", line breaks and carriage returns written as %25, %0A, %0D.
QString PresetText(const PresetValues& values);

/// The values of a stored text; none, with the reason in why, for a text that is damaged or
/// written by a newer version: another first line, a line without "=", a name this version does
/// not know, a number that is no number, or a broken escape.
std::optional<PresetValues> ParsePresetText(const QString& text, QString* why = nullptr);

/// The presets in the settings store. Names are compared without regard to case.
class PresetStore {
public:
    struct Listing {
        std::vector<Preset> presets; // in name order
        QStringList notes;           // one per damaged entry, which is left out
    };
    Listing list() const;

    /// The values of one preset; none with the reason when it is missing or damaged.
    std::optional<PresetValues> find(const QString& name, QString* why = nullptr) const;

    /// Stores the preset, replacing one of the same name. False when the store cannot be
    /// written.
    bool save(const Preset& preset);
    bool remove(const QString& name);
};

} // namespace pix
