// Translation of QLocale's date and time formats into locale notation.
#include "browser/common/formatting.h"
#include "platform/localedateformat.h"

#include <gtest/gtest.h>

namespace pix {
namespace {

struct FormatCase {
    const char* qt;
    const char* locale;
};

TEST(LocaleFormatFromQt, Table) {
    const FormatCase cases[] = {
        {"", ""},
        {"dddd, MMMM d, yyyy", "dddd, MMMM d, yyyy"},
        // AM/PM marks, and the hours they make 12-hour.
        {"h:mm:ss AP", "h:mm:ss tt"},
        {"hh:mm ap", "hh:mm tt"},
        {"Ap h", "tt h"},
        {"a h", "tt h"},
        {"h:mm", "H:mm"},
        {"hh:mm", "HH:mm"},
        {"H:mm AP", "H:mm tt"},
        // Milliseconds and time zones go, with what joined them.
        {"h:mm:ss AP t", "h:mm:ss tt"},
        {"HH:mm:ss.zzz", "HH:mm:ss"},
        {"HH:mm:ss.z t", "HH:mm:ss"},
        {"H:mm:ss (t)", "H:mm:ss"},
        {"APh:mm:ss [t]", "tth:mm:ss"},
        {"t HH:mm:ss", "HH:mm:ss"},
        {"h:mm:ss AP, t", "h:mm:ss tt"},
        {"HH:mm:ss zzz AP", "HH:mm:ss tt"},
        // Quoted text loses its quotes; punctuation after it is kept.
        {"H:mm:ss 'ч'. t", "H:mm:ss ч."},
        {"HH 'h' mm 'min' ss 's' t", "HH h mm min ss s"},
        {"'it''s' HH", "it's HH"},
        {"HH''mm", "HH'mm"},
        {"HH 'open", "HH open"},
        // A percent sign must print as itself.
        {"HH:mm 100%", "HH:mm 100%%"},
    };
    for (const FormatCase& c : cases) {
        EXPECT_EQ(localeFormatFromQt(QString::fromUtf8(c.qt)), QString::fromUtf8(c.locale)) << c.qt;
    }
}

struct LocaleCase {
    const char* locale;
    const char* format;
};

TEST(UserDateTimeFormat, Locales) {
    const LocaleCase cases[] = {
        {"en_US", "M/d/yy h:mm:ss tt"},
        {"de_DE", "dd.MM.yy HH:mm:ss"},
        {"ja_JP", "yyyy/MM/dd H時mm分ss秒"},
        {"en_GB", "dd/MM/yyyy HH:mm:ss"},
    };
    for (const LocaleCase& c : cases) {
        EXPECT_EQ(userDateTimeFormat(QLocale(QString::fromLatin1(c.locale))),
                  QString::fromUtf8(c.format))
            << c.locale;
    }
}

TEST(UserDateTimeFormat, ConvertsIntoAWorkingPattern) {
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QString pattern = datePatternFromFormat(userDateTimeFormat(english));
    EXPECT_EQ(pattern, QStringLiteral("%#m/%#d/%y %I:%M:%S %p"));
    const QDateTime time(QDate(2024, 3, 5), QTime(14, 7, 9));
    EXPECT_EQ(FormatTime(time, pattern, english), QStringLiteral("3/5/24 02:07:09 PM"));
}

} // namespace
} // namespace pix
