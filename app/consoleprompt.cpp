#include "app/consoleprompt.h"

#include "app/consoletext.h"

#include <cstdio>
#include <unistd.h>

namespace pix {

namespace {

// One line each: line breaks inside a message become blanks, other control characters
// escapes.
QByteArray oneLine(const QString& text) {
    QString flat = text;
    flat.replace(QLatin1String("\r\n"), QLatin1String(" "));
    flat.replace(u'\n', u' ');
    flat.replace(u'\r', u' ');
    return consoleText(flat);
}

} // namespace

Answer ConsolePrompt::askYesNo(const QString& text, MessageIcon, QObject*) {
    const bool terminal = isatty(STDIN_FILENO) == 1;
    std::fprintf(stderr, "%s [y/N] ", oneLine(text).constData());
    if (!terminal) {
        std::fputs("n (no terminal to ask)\n", stderr);
        return Answer::No;
    }
    std::fflush(stderr);
    char reply[64] = {};
    if (!std::fgets(reply, sizeof reply, stdin))
        return Answer::No;
    return reply[0] == 'y' || reply[0] == 'Y' ? Answer::Yes : Answer::No;
}

void ConsolePrompt::showMessage(const QString& text, const QString& caption, MessageIcon) {
    std::fprintf(stderr, "%s: %s\n", oneLine(caption).constData(), oneLine(text).constData());
}

} // namespace pix
