// Rendering of times with DatePattern's codes.
#include "browser/common/formatting.h"

#include <gtest/gtest.h>

#include <ctime>

namespace pix {
namespace {

const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);
const QLocale kGerman(QLocale::German, QLocale::Germany);

// Tuesday 5 March 2024, 14:07:09 local time.
QDateTime afternoon() {
    return QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9));
}

struct TimeCase {
    const char* pattern;
    const char* text;
};

TEST(FormatTime, EveryCode) {
    const TimeCase cases[] = {
        {"%H", "14"},
        {"%I", "02"},
        {"%M", "07"},
        {"%S", "09"},
        {"%A", "Tuesday"},
        {"%a", "Tue"},
        {"%d", "05"},
        {"%#d", "5"},
        {"%B", "March"},
        {"%b", "Mar"},
        {"%m", "03"},
        {"%#m", "3"},
        {"%Y", "2024"},
        {"%y", "24"},
        {"%p", "PM"},
        {"%%", "%"},
        {"%#m/%#d/%Y %I:%M:%S %p", "3/5/2024 02:07:09 PM"},
    };
    for (const TimeCase& c : cases)
        EXPECT_EQ(FormatTime(afternoon(), c.pattern, kEnglish), c.text) << c.pattern;
}

TEST(FormatTime, OtherTextStaysAsItIs) {
    const TimeCase cases[] = {
        {"", ""},
        {"d.M.y h:m:s t", "d.M.y h:m:s t"},
        {"%q %x %#H %#", "%q %x %#H %#"}, // unknown sequences
        {"100%", "100%"},                 // a final "%"
        {"%%d %%%d", "%d %05"},
        {"%H時%M分", "14時07分"},
    };
    for (const TimeCase& c : cases) {
        EXPECT_EQ(FormatTime(afternoon(), QString::fromUtf8(c.pattern), kEnglish),
                  QString::fromUtf8(c.text))
            << c.pattern;
    }
}

TEST(FormatTime, HoursAroundMidnightAndNoon) {
    const QDate day(2009, 11, 1);
    const QString pattern = QStringLiteral("%H %I %p %y");
    EXPECT_EQ(FormatTime(QDateTime(day, QTime(0, 5)), pattern, kEnglish), "00 12 AM 09");
    EXPECT_EQ(FormatTime(QDateTime(day, QTime(11, 59)), pattern, kEnglish), "11 11 AM 09");
    EXPECT_EQ(FormatTime(QDateTime(day, QTime(12, 0)), pattern, kEnglish), "12 12 PM 09");
    EXPECT_EQ(FormatTime(QDateTime(day, QTime(23, 0)), pattern, kEnglish), "23 11 PM 09");
}

TEST(FormatTime, NamesComeFromTheLocale) {
    EXPECT_EQ(FormatTime(afternoon(), "%A %a %B %d", kGerman),
              QStringLiteral("Dienstag Di. März 05"));
}

TEST(FormatTime, YearsBeyond32BitTimes) {
    const QDateTime later(QDate(2100, 2, 28), QTime(23, 59, 59));
    EXPECT_EQ(FormatTime(later, "%Y-%m-%d %H:%M:%S %y", kEnglish), "2100-02-28 23:59:59 00");
}

// Switches the process's time zone for one test.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone)
        : saved_(qgetenv("TZ")), had_(qEnvironmentVariableIsSet("TZ")) {
        qputenv("TZ", zone);
        tzset();
    }
    ~ScopedTimeZone() {
        if (had_)
            qputenv("TZ", saved_);
        else
            qunsetenv("TZ");
        tzset();
    }

private:
    QByteArray saved_;
    bool had_;
};

TEST(FormatTime, ShowsLocalTime) {
    const ScopedTimeZone zone("XST-05:30"); // five and a half hours east of UTC
    const QDateTime utc = QDateTime(QDate(2023, 12, 31), QTime(20, 0), Qt::UTC);
    if (utc.toLocalTime().time() == utc.time())
        GTEST_SKIP() << "the time zone could not be changed";
    EXPECT_EQ(FormatTime(utc, "%Y-%m-%d %H:%M", kEnglish), "2024-01-01 01:30");
}

TEST(FormatTime, InvalidTimeGivesEmptyText) {
    EXPECT_EQ(FormatTime(QDateTime(), "%Y %H", kEnglish), QString());
}

} // namespace
} // namespace pix
