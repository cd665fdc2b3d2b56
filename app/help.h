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

// What "Help Topics" came to: the file it opened, or the guide it could not open (no program
// on the desktop shows HTML pages), or nothing found at all (guide empty).
struct HelpOutcome {
    bool opened = false;
    QString guide;
};

// ShowHelp as "Help Topics" does it: a file is handed to the opener only when `handles`
// (desktopHandles) says the desktop names a program for its type, since xdg-open starts
// whatever it finds even for a file nobody handles, and reports nothing when it finds nobody.
// Without a program for the compiled help, the HTML guide is tried.
HelpOutcome OpenHelpTopics(const QString& programDir,
                           const std::function<bool(const QString& mimeType)>& handles,
                           const std::function<bool(const QUrl&)>& open);

// What the person is told when "Help Topics" opened nothing: what failed and where the guide
// is (or where it was looked for).
QString HelpFailureMessage(const HelpOutcome& outcome, const QString& programDir);

// What the person is told when a folder of the output log could not be opened.
QString FolderNotOpenedMessage(const QString& folder);

} // namespace pix
