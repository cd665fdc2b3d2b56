// ConvertDatePicture: a date-and-time format in locale notation turned into the pattern
// FormatTime reads.
#include "browser/common/formatting.h"

#include <algorithm>
#include <initializer_list>
#include <utility>

namespace pix {

namespace {

using Replacement = std::pair<const char*, const char*>;

// Replaces every occurrence of the first token that occurs at all, and leaves the later ones
// alone: once "HH" has become "%H", the "H" after it must not be touched again.
bool replaceFirstOf(QString& text, std::initializer_list<Replacement> chain) {
    for (const auto& [token, replacement] : chain) {
        const QString before = QString::fromLatin1(token);
        if (text.contains(before)) {
            text.replace(before, QString::fromLatin1(replacement));
            return true;
        }
    }
    return false;
}

void replaceAll(QString& text, const char* token, const char* replacement) {
    text.replace(QString::fromLatin1(token), QString::fromLatin1(replacement));
}

// The character at i, or a null character beyond either end (which never matches a token).
QChar charAt(const QString& text, qsizetype i) {
    return i >= 0 && i < text.size() ? text.at(i) : QChar();
}

} // namespace

QString ReplacePairToken(const QString& text, const QString& token, const QString& replacement) {
    if (token.isEmpty())
        return text;
    const QChar first = token.front();
    const QChar last = token.back();
    QString result = text;
    // Positions refer to the text as it is being changed, bounded by its length at the start.
    const qsizetype length = text.size();
    for (qsizetype i = 0; i < length && i < result.size(); ++i) {
        if (result.at(i) != last)
            continue;
        if (i + 1 < length && charAt(result, i + 1) != first) {
            // A single letter inside the text: a pair ending here is still replaced, and the
            // scan gives up either way.
            if (charAt(result, i - 1) == first)
                result.replace(i - 1, std::min(token.size(), result.size() - i + 1), replacement);
            break;
        }
        result.replace(i, std::min(token.size(), result.size() - i), replacement);
    }
    return result;
}

QString ReplaceLoneChar(const QString& text, QChar ch, const QString& replacement) {
    QString result = text;
    for (qsizetype i = 0; i < text.size(); ++i) {
        // The check against "%" keeps the "M" of an already inserted "%M" (minutes).
        if (text.at(i) == ch && charAt(text, i - 1) != QLatin1Char('%')) {
            result.replace(i, 1, replacement);
            break;
        }
    }
    return result;
}

QString datePatternFromFormat(const QString& format) {
    QString pattern = format;
    replaceFirstOf(pattern, {{"HH", "%H"}, {"H", "%H"}, {"hh", "%I"}, {"h", "%I"}});
    pattern = ReplacePairToken(pattern, QStringLiteral("mm"), QStringLiteral("%M"));
    replaceAll(pattern, "ss", "%S");
    replaceFirstOf(pattern, {{"dddd", "%A"}, {"ddd", "%a"}, {"dd", "%d"}, {"d", "%#d"}});
    if (!replaceFirstOf(pattern, {{"MMMM", "%B"}, {"MMM", "%b"}, {"MM", "%m"}}))
        pattern = ReplaceLoneChar(pattern, QLatin1Char('M'), QStringLiteral("%#m"));
    // "yy" is replaced also after "yyyy" was: a format may hold both.
    replaceAll(pattern, "yyyy", "%Y");
    replaceAll(pattern, "yy", "%y");
    replaceAll(pattern, "tt", "%p");
    return pattern;
}

void ConvertDatePicture(const QString& format) {
    SetDatePattern(datePatternFromFormat(format));
}

} // namespace pix
