// "Help Topics": the user guide opened with the desktop's handler. A compiled help file
// help/pixovia.chm beside the program is preferred when present and the desktop can open it;
// otherwise the HTML guide installed with the program (or, in a build tree, the repository's).
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

namespace pix {

// The files "Help Topics" tries, in order, for a program in programDir: help/pixovia.chm
// beside it, the installed HTML guide, and the guide in the source tree it was built from.
QStringList helpCandidates(const QString& programDir);

// True when the desktop names a program for the MIME type (xdg-mime). Waits at most a moment.
bool desktopHandles(const QString& mimeType);

// Opens the first candidate that exists and that the opener accepts. False when none did.
bool ShowHelp(const QString& programDir, const std::function<bool(const QUrl&)>& open);

// ShowHelp as "Help Topics" does it: the compiled help is handed to the opener only when
// `handles` (desktopHandles) says the desktop names a program for it, since xdg-open starts
// whatever it finds even for a file nobody handles.
bool OpenHelpTopics(const QString& programDir,
                    const std::function<bool(const QString& mimeType)>& handles,
                    const std::function<bool(const QUrl&)>& open);

} // namespace pix
