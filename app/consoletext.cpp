#include "app/consoletext.h"

#include <QList>
#include <cstdio>

namespace pix {

namespace {

bool isControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

QString escaped(char32_t c) {
    switch (c) {
    case '\n':
        return QStringLiteral("\\n");
    case '\r':
        return QStringLiteral("\\r");
    case '\t':
        return QStringLiteral("\\t");
    default:
        break;
    }
    if (c < 0x100)
        return QStringLiteral("\\x%1").arg(uint(c), 2, 16, QLatin1Char('0'));
    return QStringLiteral("\\u%1").arg(uint(c), 4, 16, QLatin1Char('0'));
}

} // namespace

QByteArray consoleText(const QString& text) {
    QString out;
    out.reserve(text.size());
    const QList<uint> points = text.toUcs4();
    for (const uint point : points) {
        const char32_t c = point;
        if (isControl(c))
            out += escaped(c);
        else
            out += QString::fromUcs4(&c, 1);
    }
    return out.toLocal8Bit();
}

void printNote(const QString& text) {
    std::fprintf(stderr, "pixovia: %s\n", consoleText(text).constData());
    std::fflush(stderr);
}

} // namespace pix
