// The "Options" dialog as a person uses it.
#include "settings/dialogtesting.h"
#include "settings/dlgoptions.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace pix {
namespace {

const QStringList kDefault{"*.bmp", "*.gif", "*.jpg", "*.png", "*.ico", "*.wmf"};

class OptionsDialog : public ::testing::Test {
protected:
    std::unique_ptr<CDlgOptions> dlg;
    QLineEdit* edit = nullptr;

    void open(const QStringList& filters) {
        dlg = std::make_unique<CDlgOptions>(filters);
        dlg->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
        edit = test::control<QLineEdit>(dlg.get(), "File extension filters");
        ASSERT_NE(edit, nullptr);
    }
};

TEST_F(OptionsDialog, ShowsTheListAndKeepsItWithoutAnEdit) {
    open(kDefault);
    EXPECT_EQ(dlg->windowTitle(), "Options");
    EXPECT_EQ(dlg->findChild<QGroupBox*>()->title().remove(u'&'), "File extension filters");
    EXPECT_EQ(edit->text(), "*.bmp;*.gif;*.jpg;*.png;*.ico;*.wmf");
    EXPECT_FALSE(dlg->filtersChanged());
    QTest::keyClick(dlg.get(), Qt::Key_E, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), edit);
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(dlg->filterList(), kDefault);
    EXPECT_FALSE(dlg->filtersChanged());
}

TEST_F(OptionsDialog, ATypedAndDeletedCharacterCounts) {
    open(kDefault);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClick(edit, Qt::Key_X);
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_TRUE(dlg->filtersChanged());
    QTest::mouseClick(test::control<QPushButton>(dlg.get(), "OK"), Qt::LeftButton);
    EXPECT_EQ(dlg->filterList(), kDefault);
}

TEST_F(OptionsDialog, OkSplitsTheTextAndCancelChangesNothing) {
    open(kDefault);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(edit, "*.png,*.jpg");
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
    EXPECT_EQ(dlg->filterList(), kDefault);

    open(kDefault);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(edit, "*.png,*.jpg");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(dlg->filterList(), QStringList({"*.png", "*.jpg"}));

    open(kDefault);
    edit->clear();
    QTest::mouseClick(test::control<QPushButton>(dlg.get(), "OK"), Qt::LeftButton);
    EXPECT_EQ(dlg->filterList(), kDefault) << "an empty text keeps the list";
    EXPECT_TRUE(dlg->filtersChanged());

    const QString huge = QString(40000, u'x');
    open({huge});
    EXPECT_EQ(edit->text(), huge) << "no length limit";
}

} // namespace
} // namespace pix
