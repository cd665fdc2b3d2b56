#include "settings/cereg.h"

#include <QSettings>
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

QSettings openStore() {
    return QSettings(kOrganisation, kApplication);
}

} // namespace

CCEReg::~CCEReg() {
    QSettings store = openStore();
    store.sync();
}

std::optional<RegKey> CCEReg::OpenKey(const QString& root, const QString& subKey, bool create) {
    if (!root.isEmpty())
        return std::nullopt;
    // Groups of a settings file exist as soon as a value is written into them: opening needs a
    // readable store, creating a writable one.
    if (openStore().status() == QSettings::NoError)
        return RegKey{groupFor(subKey)};
    return create ? CreateKey(root, subKey) : std::nullopt;
}

std::optional<RegKey> CCEReg::CreateKey(const QString& root, const QString& subKey) {
    if (!root.isEmpty() || !openStore().isWritable())
        return std::nullopt;
    return RegKey{groupFor(subKey)};
}

bool CCEReg::WriteString(const RegKey& key, const QString& name, const QString& text) {
    QSettings store = openStore();
    if (!store.isWritable())
        return false;
    store.beginGroup(key.group);
    store.setValue(name, text);
    store.endGroup();
    store.sync();
    return store.status() == QSettings::NoError;
}

bool CCEReg::ReadString(const RegKey& key, const QString& name, QString& text) {
    QSettings store = openStore();
    store.beginGroup(key.group);
    const QVariant value = store.value(name);
    store.endGroup();
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
    QSettings store = openStore();
    if (!store.isWritable())
        return false;
    store.beginGroup(key.group);
    store.setValue(name, bytes);
    store.endGroup();
    store.sync();
    return store.status() == QSettings::NoError;
}

bool CCEReg::ReadBinary(const RegKey& key, const QString& name, QByteArray& bytes) {
    QSettings store = openStore();
    store.beginGroup(key.group);
    const QVariant value = store.value(name);
    store.endGroup();
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

} // namespace pix
