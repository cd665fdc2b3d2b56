// Wildcard matching and folder listing.
#include "platform/filesearch.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace pix {
namespace {

struct MatchCase {
    const char* pattern;
    const char* name;
    bool matches;
};

TEST(WildcardMatch, Table) {
    const MatchCase cases[] = {
        {"*.jpg", "a.jpg", true},
        {"*.jpg", "A.JPG", true},
        {"*.JPG", "photo.jpg", true},
        {"*.jpg", "a.jpeg", false},
        {"*.jpg", "a.jpg.bak", false},
        {"*.jpg", ".jpg", true},
        {"*.jpg", "a.jpgx", false},
        {"*.jp?", "a.jpe", true},
        {"*.jp?", "a.jp", false},
        {"?.jpg", "ab.jpg", false},
        {"a*b*c", "aXXbYYc", true},
        {"a*b*c", "aXXbYY", false},
        {"*", "anything.at.all", true},
        {"**", "x", true},
        {"*.*", "README", true},
        {"*.*", ".hidden", true},
        {"*.*", "a.b", true},
        {"a*.*", "abc", false}, // only the pattern "*.*" itself matches names without a dot
        {"*.", "name", false},
        {"*.", "name.", true},
        {"<>\"", "<>\"", true},
        {"<.jpg", "a.jpg", false},
        {"", "", true},
        {"", "a", false},
        {"a", "", false},
        // Unicode: case folding and composed forms.
        {"*.JPG", "\u00c9.jpg", true},
        {"\u00e9*", "\u00c9t\u00e9.png", true},
        {"\u00e9*", "E\u0301t\u00e9.png", true}, // decomposed on disk
        {"?.png", "E\u0301.png", true},          // one character once composed
        {"\u03a3*", "\u03c3\u03b9.gif", true},   // Greek sigma
        {"?.png", "\U0001F600.png", true},       // one character outside the BMP
        {"\u00df.png", "SS.png", false},         // no full case folding: one letter stays one
    };
    for (const MatchCase& c : cases) {
        EXPECT_EQ(wildcardMatch(QString::fromUtf8(c.pattern), QString::fromUtf8(c.name)), c.matches)
            << c.pattern << " vs " << c.name;
    }
}

// A backtracking matcher would take longer than the age of the universe on these (about
// 10^40 ways to place the stars); the matcher's linear backtracking answers at once. No clock
// is read: a regression shows as a test that never ends, which ctest's timeout fails.
TEST(WildcardMatch, HostilePatternFinishesQuickly) {
    const QString name = QString(100000, QLatin1Char('a'));
    EXPECT_FALSE(wildcardMatch(QStringLiteral("*a*a*a*a*a*a*a*a*a*a*b"), name));
    EXPECT_FALSE(wildcardMatch(QStringLiteral("*aaaaaaaaaaaaaaaaaaaab"), name));
    EXPECT_TRUE(wildcardMatch(QStringLiteral("*a*a*a*a*a*a*a*a*a*a*"), name));
}

TEST(NameLess, CaseOnlyDecidesTies) {
    QStringList names{"b", "B", "a", "A", "\u00e9", "\u00c9", "e"};
    std::sort(names.begin(), names.end(), nameLess);
    EXPECT_EQ(names, (QStringList{"A", "a", "B", "b", "e", "\u00c9", "\u00e9"}));
}

class ListFolder : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    void makeFile(const QString& name) {
        QFile file(dir_.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << qPrintable(name);
    }
    void makeFolder(const QString& name) { ASSERT_TRUE(QDir(dir_.path()).mkdir(name)); }

    QTemporaryDir dir_;
};

TEST_F(ListFolder, NameOrderWithoutRegardToCase) {
    for (const char* name : {"b.jpg", "C.JPG", "a.jpg", "B.jpg", ".hidden.jpg", "x.png"})
        makeFile(QString::fromLatin1(name));
    makeFolder(QStringLiteral("d.jpg"));

    EXPECT_EQ(listFolder(dir_.path(), "*.jpg", Entry::Files),
              (QStringList{".hidden.jpg", "a.jpg", "B.jpg", "b.jpg", "C.JPG"}));
    EXPECT_EQ(listFolder(dir_.path(), "*.jpg", Entry::Folders), QStringList{"d.jpg"});
    EXPECT_EQ(listFolder(dir_.path(), "*.*", Entry::Files | Entry::Folders),
              (QStringList{".hidden.jpg", "a.jpg", "B.jpg", "b.jpg", "C.JPG", "d.jpg", "x.png"}));
    EXPECT_EQ(listFolder(dir_.path(), "*.gif", Entry::Files), QStringList());
}

TEST_F(ListFolder, OneListPerPatternInTheOrderGiven) {
    for (const char* name : {"b.png", "a.JPG", "c.jpg"})
        makeFile(QString::fromLatin1(name));
    const std::vector<QStringList> lists =
        listFolderByPatterns(dir_.path(), {"*.jpg", "*.gif", "*.*", "b*"}, Entry::Files);
    EXPECT_EQ(lists, (std::vector<QStringList>{
                         {"a.JPG", "c.jpg"}, {}, {"a.JPG", "b.png", "c.jpg"}, {"b.png"}}));
    EXPECT_EQ(listFolderByPatterns(dir_.path(), {}, Entry::Files), std::vector<QStringList>());
    EXPECT_EQ(listFolderByPatterns(dir_.filePath("missing"), {"*"}, Entry::Files),
              std::vector<QStringList>{QStringList()});
}

TEST_F(ListFolder, NothingFromMissingOrEmptyFolders) {
    makeFile(QStringLiteral("a.jpg"));
    EXPECT_EQ(listFolder(dir_.filePath("missing"), "*", Entry::Files), QStringList());
    EXPECT_EQ(listFolder(QString(), "*", Entry::Files | Entry::Folders), QStringList());
    EXPECT_EQ(listFolder(dir_.path(), "*", Entries()), QStringList());
}

TEST(JoinPath, OneSeparator) {
    struct Case {
        const char* folder;
        const char* path;
    };
    const Case cases[] = {{"/a", "/a/b.png"}, {"/a/", "/a/b.png"}, {"/", "/b.png"}, {"", "b.png"}};
    for (const Case& c : cases)
        EXPECT_EQ(joinPath(c.folder, "b.png"), c.path) << c.folder;
}

#ifdef Q_OS_UNIX
TEST_F(ListFolder, LeavesOutSpecialFilesAndBrokenLinks) {
    makeFile(QStringLiteral("real.jpg"));
    ASSERT_EQ(mkfifo(QFile::encodeName(dir_.filePath("pipe.jpg")).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(dir_.filePath("real.jpg"), dir_.filePath("link.jpg")));
    ASSERT_TRUE(QFile::link(dir_.filePath("gone.jpg"), dir_.filePath("broken.jpg")));
    EXPECT_EQ(listFolder(dir_.path(), "*.jpg", Entry::Files),
              (QStringList{"link.jpg", "real.jpg"}));
}
#endif

} // namespace
} // namespace pix
