#include "settings/cereg.h"

#include "settings/settingsfile.h"

#include <QStringList>

namespace pix {

namespace {

constexpr const char* kOrganisation = "Norvance";
constexpr const char* kApplication = "Pixovia";
constexpr int kValueBuffer = 260;

// The store is the application's own file: keys below "Software\Norvance\Pixovia" become
// groups of it; any other path is kept whole as a group, so nothing collides.
QString groupFor(const QString& subKey) {
    QString path = subKey;
    path.replace(u'\\', u'/');
    const QString prefix = QStringLiteral("Software/%1/%2").arg(kOrganisation, kApplication);
    if (path.compare(prefix, Qt::CaseInsensitive) == 0)
        return {};
    if (path.startsWith(prefix + u'/', Qt::CaseInsensitive))
        return path.mid(prefix.size() + 1);
    return path;
}

QVariant readValue(const RegKey& key, const QString& name) {
    SettingsFile file;
    QSettings& values = file.values();
    values.beginGroup(key.group);
    return values.value(name);
}

// Writes a value, and the file only when the value is new or changed or the file is missing.
bool writeValue(const RegKey& key, const QString& name, const QVariant& value) {
    SettingsFile file;
    if (!file.usable())
        return false;
    QSettings& values = file.values();
    values.beginGroup(key.group);
    const QVariant stored = values.value(name);
    if (file.exists() && stored.typeId() == value.typeId() && stored == value)
        return true;
    values.setValue(name, value);
    values.endGroup();
    return file.save();
}

} // namespace

CCEReg::~CCEReg() = default;

std::optional<RegKey> CCEReg::OpenKey(const QString& root, const QString& subKey, bool create) {
    if (!root.isEmpty())
        return std::nullopt;
    // Groups of a settings file exist as soon as a value is written into them: opening needs a
    // file that may be used (or none yet).
    if (SettingsFile().usable())
        return RegKey{groupFor(subKey)};
    return create ? CreateKey(root, subKey) : std::nullopt;
}

std::optional<RegKey> CCEReg::CreateKey(const QString& root, const QString& subKey) {
    if (!root.isEmpty() || !SettingsFile().usable())
        return std::nullopt;
    return RegKey{groupFor(subKey)};
}

bool CCEReg::WriteString(const RegKey& key, const QString& name, const QString& text) {
    return writeValue(key, name, text);
}

bool CCEReg::ReadString(const RegKey& key, const QString& name, QString& text) {
    const QVariant value = readValue(key, name);
    if (!value.isValid())
        return false;
    // A hand-edited file may hold "*.png,*.jpg" unquoted, which the INI reader turns into a
    // list: give back the text as it was written.
    const QString read = value.typeId() == QMetaType::QStringList ? value.toStringList().join(u',')
                                                                  : value.toString();
    if (read.toUtf8().size() >= kValueBuffer)
        return false;
    text = read;
    return true;
}

bool CCEReg::WriteBinary(const RegKey& key, const QString& name, const QByteArray& bytes) {
    return writeValue(key, name, bytes);
}

bool CCEReg::ReadBinary(const RegKey& key, const QString& name, QByteArray& bytes) {
    const QVariant value = readValue(key, name);
    // A value edited into text by hand is not the layout that was saved.
    if (value.typeId() != QMetaType::QByteArray)
        return false;
    bytes = value.toByteArray();
    return true;
}

bool CCEReg::CloseKey(RegKey& key) {
    key.group.clear();
    return true;
}

QStringList CCEReg::ValueNames(const RegKey& key) {
    SettingsFile file;
    QSettings& values = file.values();
    values.beginGroup(key.group);
    return values.childKeys();
}

bool CCEReg::ReadLongString(const RegKey& key, const QString& name, QString& text) {
    const QVariant value = readValue(key, name);
    if (value.typeId() == QMetaType::QStringList)
        text = value.toStringList().join(u','); // unquoted commas, edited by hand
    else if (value.typeId() == QMetaType::QString)
        text = value.toString();
    else
        return false;
    return true;
}

bool CCEReg::DeleteValue(const RegKey& key, const QString& name) {
    SettingsFile file;
    if (!file.usable())
        return false;
    QSettings& values = file.values();
    values.beginGroup(key.group);
    if (!values.contains(name))
        return true;
    values.remove(name);
    values.endGroup();
    return file.save();
}

} // namespace pix
