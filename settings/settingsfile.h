// The per-user settings file, read and written with care: whoever runs the program (a script,
// root with another user's HOME) must not be blocked, slowed or made to damage it.
//
// - Only a regular file of at most kMaxSettingsBytes is read, through a link if it is one; a
//   FIFO, a device, a folder or a larger file is left alone and the defaults are used, with a
//   note (SettingsFileNote).
// - It is written only when a value changed or the file is missing, through SafeFile: a link is
//   written through and stays a link, the file keeps its owner and permissions, and a file that
//   could only be written by changing its owner is not written at all. A file made in a folder
//   of another user's (root with that user's HOME) is given to that user.
//
// QSettings parses and writes the INI text, on a private working copy of the file.
#pragma once

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QTemporaryFile>
#include <memory>

namespace pix {

inline constexpr qint64 kMaxSettingsBytes = 1024 * 1024;

class SettingsFile {
public:
    SettingsFile(); // reads the file
    ~SettingsFile();
    SettingsFile(const SettingsFile&) = delete;
    SettingsFile& operator=(const SettingsFile&) = delete;

    // The user's settings file (~/.config/Norvance/Pixovia.conf, or where QSettings::setPath
    // puts the native format's files).
    static QString path();

    // False when the file is there but may not be used: nothing is read from it or written to it.
    bool usable() const { return usable_; }
    bool exists() const { return exists_; }
    // The values, read from the file; changes reach the file with save().
    QSettings& values() { return *values_; }
    // Writes the values back when they differ from what was read, or the file is missing.
    bool save();

private:
    QString path_;
    QByteArray original_;
    bool usable_ = false;
    bool exists_ = false;
    QTemporaryFile copy_;
    std::unique_ptr<QSettings> values_;
};

// Why the settings file was not used, the last time it was read; empty when it was.
QString SettingsFileNote();

} // namespace pix
