// Conversion of date formats in locale notation into DatePattern's notation.
#include "browser/common/formatting.h"

#include <gtest/gtest.h>

namespace pix {
namespace {

struct FormatCase {
    const char* format;
    const char* pattern;
};

TEST(ConvertDatePicture, Table) {
    const FormatCase cases[] = {
        {"M/d/yyyy h:mm:ss tt", "%#m/%#d/%Y %I:%M:%S %p"},
        {"dd.MM.yyyy HH:mm:ss", "%d.%m.%Y %H:%M:%S"},
        {"yyyy-MM-dd H:mm:ss", "%Y-%m-%d %H:%M:%S"},
        {"d MMMM yyyy h:m:s", "%#d %B %Y %I:m:s"},     // lone m and s stay
        {"dddd, MMM d yy hh:mm", "%A, %b d %y %I:%M"}, // "first of": only dddd
        {"ddd d", "%a d"},
        {"H HH", "H %H"}, // "HH" found, so "H" is not looked for
        {"yyyy yy yyy", "%Y %y %yy"},
        {"HH:m", "%H:%M"},      // a final lone m counts as minutes
        {"m:mm", "m:mm"},       // the scan gives up at the first lone m
        {"mm:m:mm", "%M:m:mm"}, // ... and leaves the rest as it was
        {"mmm", "%M%M"},
        {"HH:mm M/d", "%H:%M %#m/%#d"}, // the lone M after "%M" is months, not minutes
        {"M M", "%#m M"},               // only the first lone M
        {"MM/M", "%m/M"},
        {"t tt ttt", "t %p %pt"},
        {"", ""},
        {"%", "%"},
    };
    for (const FormatCase& c : cases) {
        EXPECT_EQ(datePatternFromFormat(QString::fromUtf8(c.format)), QString::fromUtf8(c.pattern))
            << c.format;
    }
}

TEST(ConvertDatePicture, SetsDatePattern) {
    ConvertDatePicture(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
    EXPECT_EQ(DatePattern(), QStringLiteral("%d.%m.%Y %H:%M:%S"));
    SetDatePattern(QString());
}

struct TokenCase {
    const char* text;
    const char* token;
    const char* replacement;
    const char* result;
};

TEST(ReplacePairToken, Table) {
    const TokenCase cases[] = {
        {"mm", "mm", "%M", "%M"},
        {"m", "mm", "%M", "%M"},
        {"a:m", "mm", "%M", "a:%M"},
        {"m:mm", "mm", "%M", "m:mm"},
        {"xy", "", "%M", "xy"},
        // A pair whose first letter differs from its last: the pair before a stop is replaced.
        {"ab-b", "ab", "#", "#-b"},
        {"abc", "ab", "#", "#c"},
        // Replacements of another length: positions follow the changed text, the bound does not.
        {"mmmmmm", "mm", "%", "%%%"},
        {"mmmm", "mm", "LONGER", "LONGERmm"},
    };
    for (const TokenCase& c : cases) {
        EXPECT_EQ(ReplacePairToken(QString::fromUtf8(c.text), QString::fromUtf8(c.token),
                                   QString::fromUtf8(c.replacement)),
                  QString::fromUtf8(c.result))
            << c.text << " / " << c.token;
    }
}

TEST(ReplaceLoneChar, SkipsCharactersAfterPercent) {
    EXPECT_EQ(ReplaceLoneChar("M", u'M', "%#m"), QStringLiteral("%#m"));
    EXPECT_EQ(ReplaceLoneChar("%M M", u'M', "%#m"), QStringLiteral("%M %#m"));
    EXPECT_EQ(ReplaceLoneChar("%M%M", u'M', "x"), QStringLiteral("%M%M"));
    EXPECT_EQ(ReplaceLoneChar("", u'M', "x"), QString());
}

} // namespace
} // namespace pix
