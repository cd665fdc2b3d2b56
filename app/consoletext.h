// Text as the job run prints it on the console.
#pragma once

#include <QByteArray>
#include <QString>

namespace pix {

// The text in the console's encoding with every control character written as an escape
// ("\n", "\r", "\t", "\x1b", "\u0085"), so that a file name holding a line break cannot start a
// line of its own and pass for a result line. Everything else is printed as it is.
QByteArray consoleText(const QString& text);

// Writes "pixovia: <text>" as one line on standard error.
void printNote(const QString& text);

} // namespace pix
