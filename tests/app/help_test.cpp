// "Help Topics" and the About box.
#include "app/aboutdlg.h"
#include "app/help.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace pix {
namespace {

bool touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

TEST(Help, TheCompiledHelpBesideTheProgramComesFirstThenTheInstalledGuide) {
    QTemporaryDir root;
    const QString program = root.filePath("my tools/bin");
    const QStringList candidates = helpCandidates(program);
    ASSERT_GE(candidates.size(), 2);
    EXPECT_EQ(candidates[0], program + "/help/pixovia.chm");
    EXPECT_EQ(candidates[1], root.filePath("my tools/share/pixovia/help/guide.html"));

    ASSERT_TRUE(touch(candidates[0]));
    ASSERT_TRUE(touch(candidates[1]));
    std::vector<QUrl> tried;
    // The desktop has no handler for the compiled help: the guide opens instead.
    EXPECT_TRUE(ShowHelp(program, [&](const QUrl& url) {
        tried.push_back(url);
        return url.toLocalFile().endsWith(".html");
    }));
    ASSERT_EQ(tried.size(), 2u);
    EXPECT_EQ(tried[0].toLocalFile(), candidates[0]); // the blank stays in the path
    EXPECT_EQ(tried[1].toLocalFile(), candidates[1]);
}

TEST(Help, MissingFilesAreNotHandedToTheDesktop) {
    QTemporaryDir root;
    std::vector<QUrl> tried;
    ShowHelp(root.filePath("bin"), [&](const QUrl& url) {
        tried.push_back(url);
        return true;
    });
    for (const QUrl& url : tried)
        EXPECT_TRUE(QFileInfo(url.toLocalFile()).isFile());
    EXPECT_FALSE(ShowHelp(root.filePath("bin"), nullptr));
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
