// "Help Topics" and the About box.
#include "app/aboutdlg.h"
#include "app/framefixture.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

namespace pix {
namespace {

// "Help Topics" from the Help menu, with the program in a folder of the test's own: the
// compiled help beside it opens only when the desktop has a program for it, else the guide.
class HelpTopics : public test::FrameTest {};

TEST_F(HelpTopics, TheCompiledHelpOpensOnlyWhenTheDesktopHasAProgramForIt) {
    const QString program = dir.filePath("bin");
    const QString compiled = program + "/help/pixovia.chm";
    const QString guide = dir.filePath("share/pixovia/help/guide.html");
    for (const QString& file : {compiled, guide}) {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(file).absolutePath()));
        QFile touched(file);
        ASSERT_TRUE(touched.open(QIODevice::WriteOnly));
    }
    struct Case {
        bool compiledThere;
        bool desktopOpensIt;
        QString opens;
    };
    const Case cases[] = {{true, true, compiled}, {true, false, guide}, {false, true, guide}};
    for (const Case& c : cases) {
        if (!c.compiledThere)
            QFile::remove(compiled);
        QStringList asked;
        frame->setHelpSource(program, [&](const QString& type) {
            asked << type;
            return c.desktopOpensIt;
        });
        opened.clear();
        frame->action(CommandId::HelpTopics)->trigger();
        ASSERT_EQ(opened.size(), 1u) << c.opens.toStdString();
        EXPECT_EQ(opened.front().toLocalFile(), c.opens);
        EXPECT_EQ(asked,
                  c.compiledThere ? QStringList{"application/vnd.ms-htmlhelp"} : QStringList());
    }
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
