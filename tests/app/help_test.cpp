// "Help Topics" and the About box.
#include "app/aboutdlg.h"
#include "app/framefixture.h"
#include "app/help.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

namespace pix {
namespace {

// "Help Topics" from the Help menu, with the program in a folder of the test's own: the
// compiled help beside it opens only when the desktop has a program for it, else the guide,
// which opens only when the desktop has a program for web pages. When nothing opens, the
// person is told what failed and where the guide is.
class HelpTopics : public test::FrameTest {};

TEST_F(HelpTopics, EachFileOpensOnlyWhenTheDesktopHasAProgramForIt) {
    const QString program = dir.filePath("bin");
    const QString compiled = program + "/help/pixovia.chm";
    const QString guide = dir.filePath("share/pixovia/help/guide.html");
    for (const QString& file : {compiled, guide}) {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(file).absolutePath()));
        QFile touched(file);
        ASSERT_TRUE(touched.open(QIODevice::WriteOnly));
    }
    const QString chmType = "application/vnd.ms-htmlhelp";
    struct Case {
        bool compiledThere;
        QStringList handled; // the types the desktop has a program for
        QString opens;       // empty: nothing, and the person is told
        QStringList asked;
    };
    const Case cases[] = {
        {true, {chmType, "text/html"}, compiled, {chmType}},
        {true, {"text/html"}, guide, {chmType, "text/html"}},
        {false, {chmType, "text/html"}, guide, {"text/html"}},
        {false, {chmType}, {}, {"text/html"}},
    };
    for (const Case& c : cases) {
        if (!c.compiledThere)
            QFile::remove(compiled);
        QStringList asked;
        frame->setHelpSource(program, [&](const QString& type) {
            asked << type;
            return c.handled.contains(type);
        });
        opened.clear();
        prompt.messages.clear();
        frame->action(CommandId::HelpTopics)->trigger();
        EXPECT_EQ(asked, c.asked);
        if (c.opens.isEmpty()) {
            EXPECT_TRUE(opened.empty());
            ASSERT_EQ(prompt.messages.size(), 1);
            EXPECT_TRUE(prompt.messages[0].contains("no program on this desktop"));
            EXPECT_TRUE(prompt.messages[0].endsWith(guide)) << prompt.messages[0].toStdString();
        } else {
            ASSERT_EQ(opened.size(), 1u) << c.opens.toStdString();
            EXPECT_EQ(opened.front().toLocalFile(), c.opens);
            EXPECT_TRUE(prompt.messages.isEmpty());
        }
    }
}

TEST_F(HelpTopics, WithoutAnyGuideThePlacesLookedAtAreNamed) {
    const QString message = HelpFailureMessage(HelpOutcome{}, dir.filePath("bin"));
    EXPECT_TRUE(message.startsWith("The guide was not found.")) << message.toStdString();
    EXPECT_TRUE(message.contains(dir.filePath("share/pixovia/help/guide.html")));
    // A program in the build tree finds the guide of its source checkout.
    const QStringList candidates = helpCandidates(dir.filePath("bin"));
    EXPECT_TRUE(candidates.contains(QDir::cleanPath(PIXOVIA_SOURCE_DIR "/docs/guide.html")));
    EXPECT_TRUE(QFileInfo::exists(candidates.last()));
}

TEST_F(HelpTopics, AFolderOfTheLogThatCannotBeOpenedIsNamed) {
    OutputLogModel& log = frame->outputBar()->log();
    log.setUrlOpener([](const QUrl&) { return false; });
    frame->AddOutputLine("The file has been saved to /out/a.png successfully.", "/out");
    log.OpenLinePath(0);
    ASSERT_EQ(prompt.messages.size(), 1);
    EXPECT_EQ(prompt.messages[0], "Pixovia: The folder could not be opened: no file manager is "
                                  "set up on this desktop.\n\nThe folder is /out");
}

TEST(AboutBox, ShowsTheIconNameAndVersionAndClosesWithOK) {
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), "About Pixovia");
    EXPECT_FALSE(about.windowIcon().isNull());
    QStringList texts;
    for (const QLabel* label : about.findChildren<QLabel*>())
        texts << label->text();
    EXPECT_TRUE(texts.contains("Pixovia Version 1.0"));
    QPushButton* ok = nullptr;
    for (QPushButton* button : about.findChildren<QPushButton*>()) {
        if (button->text() == "OK")
            ok = button;
    }
    ASSERT_NE(ok, nullptr);
    about.show();
    ok->click();
    EXPECT_EQ(about.result(), QDialog::Accepted);
    EXPECT_FALSE(about.isVisible());
}

} // namespace
} // namespace pix
