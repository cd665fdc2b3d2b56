// Translation of QLocale's date and time formats into picture notation.
#include "browser/common/formatting.h"
#include "platform/localepictures.h"

#include <gtest/gtest.h>

namespace pix {
namespace {

struct FormatCase {
    const char* format;
    const char* picture;
};

TEST(PictureFromQtFormat, Table) {
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
        EXPECT_EQ(pictureFromQtFormat(QString::fromUtf8(c.format)), QString::fromUtf8(c.picture))
            << c.format;
    }
}

struct LocaleCase {
    const char* locale;
    const char* picture;
};

TEST(UserDateTimePicture, Locales) {
    const LocaleCase cases[] = {
        {"en_US", "M/d/yy h:mm:ss tt"},
        {"de_DE", "dd.MM.yy HH:mm:ss"},
        {"ja_JP", "yyyy/MM/dd H時mm分ss秒"},
        {"en_GB", "dd/MM/yyyy HH:mm:ss"},
    };
    for (const LocaleCase& c : cases) {
        EXPECT_EQ(userDateTimePicture(QLocale(QString::fromLatin1(c.locale))),
                  QString::fromUtf8(c.picture))
            << c.locale;
    }
}

TEST(UserDateTimePicture, ConvertsIntoAWorkingPattern) {
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QString pattern = convertDatePicture(userDateTimePicture(english));
    EXPECT_EQ(pattern, QStringLiteral("%#m/%#d/%y %I:%M:%S %p"));
    const QDateTime time(QDate(2024, 3, 5), QTime(14, 7, 9));
    EXPECT_EQ(FormatTime(time, pattern, english), QStringLiteral("3/5/24 02:07:09 PM"));
}

} // namespace
} // namespace pix
