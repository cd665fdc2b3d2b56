#include "settings/settingsfile.h"

#include "platform/regularfile.h"
#include "platform/safefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace pix {

namespace {

constexpr const char* kOrganisation = "Norvance";
constexpr const char* kApplication = "Pixovia";

QString& note() {
    static QString text;
    return text;
}

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

enum class Read { Missing, Loaded, Refused };

// The file's bytes when it is a regular file of sensible size (a link to one is followed).
Read readSettings(const QString& path, QByteArray& bytes, QString& why) {
    using Outcome = RegularFileRead::Outcome;
    RegularFileRead read = readRegularFile(path, kMaxSettingsBytes, true);
    switch (read.outcome) {
    case Outcome::Read:
        bytes = std::move(read.bytes);
        return Read::Loaded;
    case Outcome::Missing:
        if (!QFileInfo(path).isSymLink())
            return Read::Missing;
        why = QStringLiteral("it is a link to nothing");
        break;
    case Outcome::NotRegular:
        why = QStringLiteral("it is not a regular file");
        break;
    case Outcome::TooLarge:
        why = QStringLiteral("it is larger than %1 KB").arg(kMaxSettingsBytes / 1024);
        break;
    case Outcome::Failed:
        why = QString::fromLocal8Bit(std::strerror(read.error));
        break;
    }
    return Read::Refused;
}

// Makes the folder and the missing ones above it; as root in another user's folder, each is
// given to the owner of the folder it is made in.
bool makeFolders(const QString& folder) {
    QStringList missing;
    QString at = QDir::cleanPath(folder);
    while (!QFileInfo::exists(at) && QFileInfo(at).path() != at) {
        missing.prepend(at);
        at = QFileInfo(at).path();
    }
    for (const QString& level : missing) {
        if (::mkdir(native(level).constData(), 0777) != 0 && errno != EEXIST)
            return false;
        struct stat parent {};
        if (geteuid() == 0 && ::stat(native(QFileInfo(level).path()).constData(), &parent) == 0 &&
            parent.st_uid != 0)
            (void)::chown(native(level).constData(), parent.st_uid, parent.st_gid);
    }
    return QFileInfo(folder).isDir();
}

// Writes the settings file, never replacing a link or anything but a regular file, and never
// leaving a file to a new owner.
bool writeSettings(const QString& path, const QByteArray& bytes) {
    struct stat target {};
    const bool exists = ::stat(native(path).constData(), &target) == 0;
    if (exists && !S_ISREG(target.st_mode))
        return false;
    if (!exists && !makeFolders(QFileInfo(path).path()))
        return false;
    SafeFile file(path, SafeFile::Owner::KeepOrFail);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return false;
    struct stat folder {};
    if (!exists && geteuid() == 0 &&
        ::stat(native(QFileInfo(path).path()).constData(), &folder) == 0 && folder.st_uid != 0)
        (void)::chown(native(path).constData(), folder.st_uid, folder.st_gid);
    return true;
}

} // namespace

QString SettingsFile::path() {
    // QSettings knows where the native format's files go (QSettings::setPath, the XDG folders);
    // it is asked for a file of a name nobody uses, so that it opens no real file.
    const QString probe = QSettings(QSettings::NativeFormat, QSettings::UserScope,
                                    QStringLiteral("\u0001pixovia"), QStringLiteral("\u0001path"))
                              .fileName();
    const QString folder = probe.left(probe.lastIndexOf(u'/'));
    return folder.left(folder.lastIndexOf(u'/')) +
           QStringLiteral("/%1/%2.conf").arg(kOrganisation, kApplication);
}

SettingsFile::SettingsFile() : path_(path()) {
    QString why;
    const Read read = readSettings(path_, original_, why);
    exists_ = read == Read::Loaded;
    usable_ = read != Read::Refused;
    if (read == Read::Refused)
        note() = QStringLiteral("the settings file %1 is not used (%2): the defaults are used and "
                                "the file is left as it is")
                     .arg(path_, why);
    else
        note().clear();
    copy_.setAutoRemove(true);
    if (!copy_.open() || (usable_ && copy_.write(original_) != original_.size())) {
        usable_ = false;
        note() = QStringLiteral("the settings file %1 is not used (no working copy could be "
                                "made in %2): the defaults are used")
                     .arg(path_, QDir::tempPath());
    }
    copy_.close();
    values_ = std::make_unique<QSettings>(copy_.fileName(), QSettings::IniFormat);
}

SettingsFile::~SettingsFile() = default;

bool SettingsFile::save() {
    if (!usable_)
        return false;
    values_->sync();
    if (values_->status() != QSettings::NoError)
        return false;
    QFile copy(copy_.fileName());
    if (!copy.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = copy.readAll();
    if (exists_ && bytes == original_)
        return true;
    if (!writeSettings(path_, bytes))
        return false;
    original_ = bytes;
    exists_ = true;
    return true;
}

QString SettingsFileNote() {
    return note();
}

} // namespace pix
