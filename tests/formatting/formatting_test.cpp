// File sizes, the extension filter and the process-wide values.
#include "browser/common/formatting.h"

#include <gtest/gtest.h>

#include <QThread>
#include <atomic>
#include <limits>

namespace pix {
namespace {

struct SizeCase {
    quint64 size;
    int decimals;
    const char* text;
};

TEST(FormatFileSize, Table) {
    const SizeCase cases[] = {
        {0, 2, "0 bytes"},
        {1, 2, "1 bytes"},
        {1023, 2, "1023 bytes"},
        {1024, 2, "1 KB"},
        {1025, 2, "1.00 KB"},
        {1152, 2, "1.13 KB"}, // exact tie 1.125 rounds away from zero
        {1536, 2, "1.50 KB"},
        {1048575, 2, "1024.00 KB"},
        {1048576, 2, "1 MB"},
        {1572864, 2, "1.50 MB"},
        {8388609, 2, "8.00 MB"},
        {16777217, 2, "16 MB"}, // single precision cannot hold the fraction
        {4294967295ULL, 2, "4096.00 MB"},
        // 64-bit sizes keep counting in MB.
        {4294967296ULL, 2, "4096 MB"},
        {10737418240ULL + 524288, 2, "10240.50 MB"},
        {std::numeric_limits<quint64>::max(), 2, "17592186044416.00 MB"},
        // Other decimals, and out-of-range ones clamped.
        {1536, 0, "2 KB"},
        {1536, 1, "1.5 KB"},
        {1025, 4, "1.0010 KB"},
        {1536, -5, "2 KB"},
        {1536, 1000, "1.50000000000000000000 KB"},
        {1025, 0, "1 KB"},
    };
    for (const SizeCase& c : cases) {
        EXPECT_EQ(FormatFileSize(c.size, c.decimals), QString::fromLatin1(c.text))
            << c.size << " bytes, " << c.decimals << " decimals";
    }
}

struct FilterCase {
    const char* text;
    QStringList patterns;
    bool result;
};

TEST(ParseFilterList, Table) {
    const FilterCase cases[] = {
        {"a;b", {"a", "b"}, true},
        {"a,b", {"a", "b"}, true},
        {"a;b,c", {"a", "b", "c"}, true},
        {"a,b;c", {"a,b", "c"}, true},
        {"a,b;c,d;e,f", {"a,b", "c,d", "e", "f"}, true},
        {";;c;", {"c"}, true},
        {"a,,b,", {"a", "b"}, true},
        {"a; b", {"a", " b"}, true},
        {" ", {" "}, true},
        {"a;*.*", {"*.*"}, true},
        {"*.JPG;*.*;b", {"*.*"}, true},
        {"a; *.*", {"a", " *.*"}, true}, // a blank makes it another pattern
        {"a,*.*", {"*.*"}, true},
        {";", {}, false},
        {",;,", {","}, true}, // a comma before the last ";" is part of a pattern
        {";,", {}, false},
        {"*.bmp;*.gif;*.jpg;*.png;*.ico;*.wmf",
         {"*.bmp", "*.gif", "*.jpg", "*.png", "*.ico", "*.wmf"},
         true},
    };
    for (const FilterCase& c : cases) {
        QStringList list{"old"};
        EXPECT_EQ(ParseFilterList(QString::fromUtf8(c.text), &list), c.result) << c.text;
        EXPECT_EQ(list, c.patterns) << c.text;
    }
}

TEST(ParseFilterList, EmptyTextOrNoListLeavesEverythingAlone) {
    QStringList list{"*.jpg"};
    EXPECT_FALSE(ParseFilterList(QString(), &list));
    EXPECT_FALSE(ParseFilterList(QStringLiteral(""), &list));
    EXPECT_EQ(list, QStringList{"*.jpg"});
    EXPECT_FALSE(ParseFilterList(QStringLiteral("*.png"), nullptr));
}

TEST(ParseFilterList, DefaultTextGivesSixPatterns) {
    QStringList list;
    ASSERT_TRUE(ParseFilterList(kDefaultFilterText, &list));
    EXPECT_EQ(list.join(QLatin1Char(';')), kDefaultFilterText);
}

TEST(SharedValues, ReadersSeeWholeListsWhileAWriterReplacesThem) {
    const QStringList small{"*.a"};
    const QStringList large{"*.b", "*.c", "*.d", "*.e"};
    std::atomic<bool> torn{false};
    std::atomic<bool> stop{false};
    QThread* reader = QThread::create([&] {
        while (!stop) {
            const QStringList seen = FilterList();
            if (seen != small && seen != large)
                torn = true;
            const QString pattern = DatePattern();
            if (pattern != QLatin1String("%H") && pattern != QLatin1String("%Y-%m-%d"))
                torn = true;
        }
    });
    SetFilterList(small);
    SetDatePattern(QStringLiteral("%H"));
    reader->start();
    for (int i = 0; i < 20000; ++i) {
        SetFilterList(i % 2 ? small : large);
        SetDatePattern(i % 2 ? QStringLiteral("%H") : QStringLiteral("%Y-%m-%d"));
    }
    stop = true;
    reader->wait();
    delete reader;
    EXPECT_FALSE(torn);
    SetFilterList({});
    SetDatePattern(QString());
}

} // namespace
} // namespace pix
