#include "settings/presets.h"

#include "settings/settingstable.h"

#include <QUrl>
#include <algorithm>
#include <iterator>

namespace pix {

namespace {

using namespace Qt::Literals::StringLiterals;

const QString kHeader = u"pixovia-preset 1"_s;
const QString kHeaderWord = u"pixovia-preset "_s;

// The values a preset of this version may hold, and which of them are numbers.
struct ValueName {
    QLatin1String name;
    bool number;
};
constexpr ValueName kValueNames[] = {
    {"outputformat"_L1, false}, {"quality"_L1, true},   {"outputfolder"_L1, false},
    {"keepfolders"_L1, true},   {"resize"_L1, false},   {"width"_L1, true},
    {"height"_L1, true},        {"size"_L1, true},      {"percent"_L1, true},
    {"shrinkonly"_L1, true},    {"constrain"_L1, true}, {"rotate"_L1, true},
    {"mirror"_L1, true},        {"prefix"_L1, false},   {"startnumber"_L1, true},
    {"colour"_L1, false},       {"metadata"_L1, false},
};

const ValueName* findValueName(const QString& name) {
    const auto* found = std::find_if(std::begin(kValueNames), std::end(kValueNames),
                                     [&](const ValueName& known) { return known.name == name; });
    return found != std::end(kValueNames) ? found : nullptr;
}

bool isNumber(const QString& text) {
    const qsizetype start = text.startsWith(u'-') ? 1 : 0;
    if (text.size() == start)
        return false;
    return std::all_of(text.begin() + start, text.end(),
                       [](QChar c) { return c >= u'0' && c <= u'9'; });
}

bool isHexDigit(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

QString escaped(const QString& value) {
    QString text = value;
    text.replace(u'%', u"%25"_s).replace(u'\n', u"%0A"_s).replace(u'\r', u"%0D"_s);
    return text;
}

std::optional<QString> unescaped(const QString& text) {
    QString value;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'%') {
            value += text[i];
            continue;
        }
        if (i + 2 >= text.size() || !isHexDigit(text[i + 1]) || !isHexDigit(text[i + 2]))
            return std::nullopt;
        value += QChar(text.mid(i + 1, 2).toInt(nullptr, 16));
        i += 2;
    }
    return value;
}

std::optional<PresetValues> failed(QString* why, const QString& reason) {
    if (why)
        *why = reason;
    return std::nullopt;
}

// The store names an entry by the preset's name with "/", "\" and "%" escaped, as the store
// takes those for the separators of its keys.
QString entryName(const QString& presetName) {
    return QString::fromLatin1(QUrl::toPercentEncoding(presetName, " "));
}

QString presetName(const QString& entry) {
    return QUrl::fromPercentEncoding(entry.toLatin1());
}

bool sameName(const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseInsensitive) == 0;
}

// The store's entry of a preset name, compared without regard to case; empty when none.
QString storedEntry(const SettingsStore& store, const QString& name) {
    for (const QString& entry : store.entryNames(Setting::Presets)) {
        if (sameName(presetName(entry), name))
            return entry;
    }
    return {};
}

} // namespace

QString PresetText(const PresetValues& values) {
    QStringList lines{kHeader};
    for (const auto& [name, value] : values)
        lines << name + u'=' + escaped(value);
    return lines.join(u'\n');
}

std::optional<PresetValues> ParsePresetText(const QString& text, QString* why) {
    const QStringList lines = text.split(u'\n');
    if (lines.front() != kHeader) {
        const QString version = lines.front().mid(kHeaderWord.size());
        if (lines.front().startsWith(kHeaderWord) && isNumber(version) && version.toInt() > 1)
            return failed(why, u"it was saved by a newer version of Pixovia"_s);
        return failed(why, u"it does not begin with \"%1\""_s.arg(kHeader));
    }
    PresetValues values;
    for (qsizetype n = 1; n < lines.size(); ++n) {
        const QString& line = lines[n];
        if (line.isEmpty())
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 1)
            return failed(why, u"line %1 is not \"name=value\""_s.arg(n + 1));
        const QString name = line.left(equals);
        const ValueName* known = findValueName(name);
        if (!known)
            return failed(why,
                          u"line %1 holds \"%2\", which is not a setting"_s.arg(n + 1).arg(name));
        const std::optional<QString> value = unescaped(line.mid(equals + 1));
        if (!value)
            return failed(why, u"line %1 has a broken %-escape"_s.arg(n + 1));
        if (known->number && !isNumber(*value))
            return failed(why, u"%1 \"%2\" is not a number"_s.arg(name, *value));
        values.append({name, *value});
    }
    return values;
}

PresetStore::Listing PresetStore::list() const {
    Listing listing;
    const SettingsStore store;
    for (const QString& entry : store.entryNames(Setting::Presets)) {
        const QString name = presetName(entry);
        QString why = u"it is not text"_s;
        const std::optional<QString> text = store.entryText(Setting::Presets, entry);
        const std::optional<PresetValues> values =
            text ? ParsePresetText(*text, &why) : std::nullopt;
        if (values)
            listing.presets.push_back({name, *values});
        else
            listing.notes << u"The preset \"%1\" cannot be read (%2) and is left out."_s.arg(name,
                                                                                             why);
    }
    std::sort(listing.presets.begin(), listing.presets.end(), [](const Preset& a, const Preset& b) {
        return QString::compare(a.name, b.name, Qt::CaseInsensitive) < 0;
    });
    return listing;
}

std::optional<PresetValues> PresetStore::find(const QString& name, QString* why) const {
    const SettingsStore store;
    const QString entry = storedEntry(store, name);
    if (entry.isEmpty())
        return failed(why, u"there is no such preset"_s);
    const std::optional<QString> text = store.entryText(Setting::Presets, entry);
    if (!text)
        return failed(why, u"it cannot be read (it is not text)"_s);
    QString damage;
    std::optional<PresetValues> values = ParsePresetText(*text, &damage);
    if (!values)
        return failed(why, u"it cannot be read (%1)"_s.arg(damage));
    return values;
}

bool PresetStore::save(const Preset& preset) {
    SettingsStore store;
    const QString entry = entryName(preset.name);
    const QString old = storedEntry(store, preset.name);
    if (!old.isEmpty() && old != entry && !store.removeEntry(Setting::Presets, old))
        return false;
    return store.setEntryText(Setting::Presets, entry, PresetText(preset.values));
}

bool PresetStore::remove(const QString& name) {
    SettingsStore store;
    const QString entry = storedEntry(store, name);
    return entry.isEmpty() || store.removeEntry(Setting::Presets, entry);
}

} // namespace pix
