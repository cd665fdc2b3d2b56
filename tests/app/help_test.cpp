// "Help Topics" and the About box.
#include "app/aboutdlg.h"

#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

namespace pix {
namespace {

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
