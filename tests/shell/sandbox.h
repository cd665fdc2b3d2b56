// A temporary folder tree for the folder walks:
//   Albums/            2023/ (Summer/), 2024/, .thumbs/ (hidden), cover.jpg (a file)
//   Empty/
//   Hidden only/       .git/
//   Locked/            Inner/, made unreadable (mode 000)
//   Shortcut ->        Albums (a symbolic link to a folder)
//   Loop ->            Loop (a link to itself: no folder)
//   beta/, Alpha/      (name order ignores case)
//   notes.txt          (a file)
#pragma once

#include <QString>
#include <QTemporaryDir>

namespace pix {

class Sandbox {
public:
    Sandbox();
    ~Sandbox();
    QString path() const { return dir_.path(); }
    QString path(const QString& relative) const { return dir_.filePath(relative); }
    bool valid() const { return dir_.isValid(); }
    /// True when permissions are enforced for this process (not for root).
    static bool permissionsEnforced();

private:
    QTemporaryDir dir_;
};

} // namespace pix
