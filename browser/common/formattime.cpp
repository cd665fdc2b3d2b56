// FormatTime: a time rendered with a pattern of DatePattern's notation.
#include "browser/common/formatting.h"

#include <optional>
#include <utility>

namespace pix {

namespace {

QString twoDigits(int value) {
    return QString::number(value).rightJustified(2, QLatin1Char('0'));
}

int hour12(int hour) {
    return hour % 12 == 0 ? 12 : hour % 12;
}

// The text of one code, or nothing when the code is unknown.
std::optional<QString> renderCode(QChar code, const QDateTime& time, const QLocale& locale) {
    const QDate date = time.date();
    const QTime clock = time.time();
    switch (code.unicode()) {
    case 'H':
        return twoDigits(clock.hour());
    case 'I':
        return twoDigits(hour12(clock.hour()));
    case 'M':
        return twoDigits(clock.minute());
    case 'S':
        return twoDigits(clock.second());
    case 'A':
        return locale.dayName(date.dayOfWeek(), QLocale::LongFormat);
    case 'a':
        return locale.dayName(date.dayOfWeek(), QLocale::ShortFormat);
    case 'd':
        return twoDigits(date.day());
    case 'B': // the form used inside a date, e.g. the genitive in Slavic languages
        return locale.monthName(date.month(), QLocale::LongFormat);
    case 'b':
        return locale.monthName(date.month(), QLocale::ShortFormat);
    case 'm':
        return twoDigits(date.month());
    case 'Y':
        return QString::number(date.year());
    case 'y':
        return twoDigits((date.year() % 100 + 100) % 100);
    case 'p':
        return clock.hour() < 12 ? locale.amText() : locale.pmText();
    case '%':
        return QStringLiteral("%");
    }
    return std::nullopt;
}

// "%#d" and "%#m": day and month without a leading zero.
std::optional<QString> renderNoZeroCode(QChar code, const QDate& date) {
    if (code == QLatin1Char('d'))
        return QString::number(date.day());
    if (code == QLatin1Char('m'))
        return QString::number(date.month());
    return std::nullopt;
}

// The code starting at pattern[start] (just after a "%"), with the number of characters it
// takes, or nothing when no known code starts there.
std::optional<std::pair<QString, int>> renderAt(const QString& pattern, qsizetype start,
                                                const QDateTime& time, const QLocale& locale) {
    if (start >= pattern.size())
        return std::nullopt;
    const QChar code = pattern.at(start);
    if (code == QLatin1Char('#')) {
        if (start + 1 >= pattern.size())
            return std::nullopt;
        if (auto text = renderNoZeroCode(pattern.at(start + 1), time.date()))
            return std::pair{*text, 2};
        return std::nullopt;
    }
    if (auto text = renderCode(code, time, locale))
        return std::pair{*text, 1};
    return std::nullopt;
}

} // namespace

QString FormatTime(const QDateTime& time, const QString& pattern, const QLocale& locale) {
    if (!time.isValid())
        return QString();
    const QDateTime local = time.toLocalTime();
    QString result;
    result.reserve(pattern.size() * 2);
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c == QLatin1Char('%')) {
            if (auto rendered = renderAt(pattern, i + 1, local, locale)) {
                result += rendered->first;
                i += rendered->second;
                continue;
            }
        }
        // Anything else, an unknown "%" sequence included, stands for itself.
        result += c;
    }
    return result;
}

} // namespace pix
