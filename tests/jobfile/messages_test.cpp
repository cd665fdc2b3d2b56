// The messages of a load: missing and unreadable files, and where a parse error lies.
#include "jobfile/jobfilefixture.h"

#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>

namespace pix {
namespace {

class Messages : public test::JobFileTest {
protected:
    // Loads the file and expects exactly one "Error" message, nothing added, and false.
    QString failingLoad(const QString& file) {
        EXPECT_FALSE(LoadJobFile(file, list, &prompt));
        EXPECT_EQ(list.rowCount(), 0);
        EXPECT_EQ(prompt.icons, QList<MessageIcon>{MessageIcon::Exclamation});
        const QString message = prompt.messages.value(0);
        prompt.messages.clear();
        prompt.icons.clear();
        return message;
    }
    QString failingLoad(const QByteArray& bytes) {
        textFile(QStringLiteral("bad.xml"), bytes);
        return failingLoad(path(QStringLiteral("bad.xml")));
    }
};

TEST_F(Messages, FilesThatCannotBeRead) {
    EXPECT_EQ(failingLoad(path("missing.xml")), "Error: Unable to load the XML file.");
    EXPECT_EQ(failingLoad(QString()), "Error: Unable to load the XML file.");
    EXPECT_EQ(failingLoad(dir.path()), "Error: Unable to open the XML file - Is a directory.");

    QFile big(path("big.xml"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(32 * 1024 * 1024 + 1));
    big.close();
    EXPECT_EQ(failingLoad(big.fileName()),
              "Error: Unable to open the XML file - The file is larger than 32 MB.");
}

TEST_F(Messages, UnreadableFile) {
    // A regular file that opens but cannot be read: the first page of the process's own memory
    // is never mapped, so reading it fails for every user, root included.
    ASSERT_TRUE(QFileInfo("/proc/self/mem").isFile());
    EXPECT_EQ(failingLoad(QStringLiteral("/proc/self/mem")),
              "Error: Unable to open the XML file - Input/output error.");
}

TEST_F(Messages, ParseErrorsGiveCodeLineAndPosition) {
    EXPECT_EQ(failingLoad(QByteArray("<job>\n  <image path=\"a\"/>\n  <image path=x/>\n</job>")),
              "Error: Error 0x584D4C08 on line 3, position 15\r\n"
              "Reason: Error parsing element attribute");

    const struct {
        QByteArray bytes;
        const char* place; // the message's "on line ..., position ..."
    } cases[] = {
        {"\xEF\xBB\xBF<a>\r\n<b x=y/></a>", "0x584D4C08 on line 2, position 6"},
        {"<a n=\"\xC3\xA9\xC3\xA9\"><b x=y/></a>", "0x584D4C08 on line 1, position 16"},
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<a n=\"\xE9\">\n<b x=y/></a>",
         "0x584D4C08 on line 3, position 6"},
        {"<job>\n<a></b>\n</job>", "0x584D4C0A on line 2, position"},
        {"<job>\n<a>", "0x584D4C0A on line 2, position 3"},
        {"", "0x584D4C0B on line 1, position 1"},
        {"<job/>\n  <job/>", "0x584D4C0C on line 2, position 3"},
        {"<job><!-- x</job>", "0x584D4C03 on line 1, position 10"},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(failingLoad(c.bytes).contains(QLatin1String(c.place))) << c.place;

    QStringEncoder utf16(QStringConverter::Utf16BE, QStringConverter::Flag::WriteBom);
    const QByteArray wide = utf16(QStringLiteral("<a>\n\u00E9<b x=y/></a>"));
    EXPECT_TRUE(failingLoad(wide).contains(QLatin1String("on line 2, position 7")));
}

TEST_F(Messages, AWellFormedFileWithoutEntriesIsNoError) {
    textFile(QStringLiteral("empty.xml"), "<?xml version=\"1.0\"?>\n<!-- none -->\n<job/>\n");
    EXPECT_TRUE(LoadJobFile(path("empty.xml"), list, &prompt));
    EXPECT_TRUE(LoadJobFileFromMemory("<job><x/></job>", list, &prompt));
    EXPECT_TRUE(prompt.messages.isEmpty());
}

} // namespace
} // namespace pix
