// Which elements of a document become entries, in which order, and hostile documents.
#include "jobfile/jobfilefixture.h"

namespace pix {
namespace {

class NodeWalk : public test::JobFileTest {
protected:
    void SetUp() override {
        for (const char* name : {"a.png", "b.png", "c.png"})
            picture(QString::fromLatin1(name), 4, 3);
    }
};

TEST_F(NodeWalk, EntriesByTheDescentRule) {
    const struct {
        const char* document; // A, B, C stand for the attributes of an entry for a, b, c.png
        const char* rows;
    } cases[] = {
        {"<image A><image B/></image>", "b.png"}, // the root is never an entry
        {"<job><image A/></job>", "a.png"},
        {"<job><Image A/><IMAGE B/><iMaGe C/></job>", "a.png b.png c.png"},
        {"<job><image A><x><image B/></x></image><image C/></job>", "a.png b.png c.png"},
        // A comment or a processing instruction never hides what follows; leading text does.
        {"<job><c><!-- c --><image A/></c><image B/></job>", "a.png b.png"},
        {"<job><batch><!-- c --><?pi x?><!-- d --><image A/></batch></job>", "a.png"},
        {"<job><c><image A/><!-- on --><image B/></c></job>", "a.png b.png"},
        {"<job><c>text<image A/></c><image B/></job>", "b.png"},
        {"<job><c><?pi x?><image A/></c></job>", "a.png"},
        {"<job><c><![CDATA[x]]><image A/></c></job>", ""},
        {"<job><!-- any kind --><image A/>text<image B/></job>", "a.png b.png"},
        {"<job>\n  <c>\n    <image A/>\n  </c>\n</job>", "a.png"},
        {"<job><images A/><img B/><x:image C/><image/></job>", ""},
        {"<job><image A/><image A/></job>", "a.png a.png"},
        {"<job><image path=\"$D\" name=\"a&#46;png\"/></job>", "a.png"},
    };
    for (const auto& c : cases) {
        QString document = QString::fromUtf8(c.document);
        for (const char* letter : {"A", "B", "C"}) {
            document.replace(QStringLiteral(" %1").arg(QLatin1String(letter)),
                             QStringLiteral(" path=\"$D\" name=\"%1.png\"")
                                 .arg(QString::fromLatin1(letter).toLower()));
        }
        list.RemoveAll();
        EXPECT_TRUE(loadDocument(document)) << c.document;
        EXPECT_EQ(rowNames().join(' '), QString::fromUtf8(c.rows)) << c.document;
    }
    EXPECT_TRUE(prompt.messages.isEmpty());
    EXPECT_EQ(prompt.questions, 0); // the same picture twice is not a question here
}

TEST_F(NodeWalk, EntitiesAreNeitherDefinedNorFetched) {
    const char* documents[] = {
        // Entities declared in the document are not expanded, so nothing can multiply.
        R"(<!DOCTYPE job [<!ENTITY n "a.png"><!ENTITY m "&n;&n;&n;&n;&n;&n;&n;&n;">]>
           <job><image path="$D" name="&n;"/><image path="$D" name="&m;"/></job>)",
        R"(<!DOCTYPE job [<!ENTITY x SYSTEM "$D/a.png">]><job><image path="$D" name="&x;"/></job>)",
        R"(<!DOCTYPE job SYSTEM "$D/missing.dtd"><job><image path="$D" name="a.png"/></job>)",
    };
    EXPECT_TRUE(loadDocument(QString::fromUtf8(documents[0])));
    EXPECT_TRUE(loadDocument(QString::fromUtf8(documents[1])));
    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_TRUE(loadDocument(QString::fromUtf8(documents[2])));
    EXPECT_EQ(rowNames(), QStringList{"a.png"});
}

TEST_F(NodeWalk, DeepNestingAndManySiblingsLoad) {
    constexpr int kCount = 100000;
    const QString entry =
        QStringLiteral("<image path=\"$D\" name=\"a.png\" width=\"2\" height=\"2\"/>");
    QString deep = "<job>" + QStringLiteral("<x>").repeated(kCount) + entry +
                   QStringLiteral("</x>").repeated(kCount) + "</job>";
    EXPECT_TRUE(loadDocument(deep));
    EXPECT_EQ(list.rowCount(), 1);

    list.RemoveAll();
    EXPECT_TRUE(loadDocument("<job>" + entry.repeated(kCount) + "</job>"));
    EXPECT_EQ(list.rowCount(), kCount);

    // Nested entries: each one is visited before its children.
    list.RemoveAll();
    const QString open =
        QStringLiteral("<image path=\"$D\" name=\"a.png\" width=\"1\" height=\"1\">");
    EXPECT_TRUE(loadDocument("<job>" + open.repeated(kCount) +
                             QStringLiteral("</image>").repeated(kCount) + "</job>"));
    EXPECT_EQ(list.rowCount(), kCount);
}

TEST_F(NodeWalk, UnclosedDepthAndDeclarationsEndInAMessage) {
    EXPECT_FALSE(loadDocument("<job>" + QStringLiteral("<x>").repeated(100000)));
    EXPECT_FALSE(loadDocument("<!DOCTYPE a [" + QStringLiteral("<!x").repeated(100000)));
    EXPECT_FALSE(loadDocument("<!DOCTYPE a [" + QStringLiteral("<![").repeated(100000)));
    EXPECT_EQ(prompt.messages.size(), 3);
}

} // namespace
} // namespace pix
