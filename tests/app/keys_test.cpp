// The window's keys: the menus' mnemonics, Ctrl+Return for Start, and context menus opened
// from the keyboard at the row the keyboard is on.
#include "app/framefixture.h"
#include "browser/common/formatting.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCursor>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QTreeView>

namespace pix {
namespace {

class Keys : public test::FrameTest {
protected:
    void showActive() {
        frame->resize(760, 560);
        frame->show();
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    }
    // Where the popup that `open` shows appears (its top left), closing it; (-1, -1) for none.
    static QPoint popupPlace(const std::function<void()>& open) {
        QPoint at(-1, -1);
        QTimer probe;
        probe.setSingleShot(true);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            if (QWidget* popup = QApplication::activePopupWidget()) {
                at = popup->geometry().topLeft();
                popup->close();
            }
        });
        probe.start(0);
        open();
        QCoreApplication::processEvents();
        return at;
    }
};

TEST_F(Keys, EveryMenuHasItsMnemonicAndStartShowsItsKey) {
    QStringList titles;
    for (const QAction* menu : frame->menuBar()->actions())
        titles << menu->text();
    EXPECT_EQ(titles, QStringList({"&File", "&Action", "&View", "&Help"}));
    EXPECT_EQ(frame->action(CommandId::Start)->shortcut().toString(QKeySequence::NativeText),
              QKeySequence(Qt::CTRL | Qt::Key_Return).toString(QKeySequence::NativeText));

    showActive();
    QString opened;
    QTimer::singleShot(0, [&] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            opened = popup->accessibleName();
            popup->close();
        }
    });
    QTest::keyClick(frame.get(), Qt::Key_A, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !opened.isEmpty(); }, 5000));
    EXPECT_EQ(opened, "Action");
}

// Start belongs to the job list: from the browser it is disabled, as in the menu.
TEST_F(Keys, ControlReturnStartsTheRunFromTheJobList) {
    showActive();
    const std::pair<QWidget*, bool> cases[] = {{frame->GetImageBrowser()->currentView(), false},
                                               {frame->jobListView(), true}};
    for (const auto& [where, starts] : cases) {
        frame->jobList().RemoveAll();
        addRows({starts ? "a.png" : "b.png"});
        frame->jobList().itemAt(0)->output.formatCode = kFormatGif;
        where->setFocus();
        QTest::keyClick(where, Qt::Key_Return, Qt::ControlModifier);
        EXPECT_EQ(frame->run().isRunning(), starts) << where->metaObject()->className();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !frame->run().isRunning(); }, 10000));
        EXPECT_EQ(frame->jobList().rowCount(), starts ? 0 : 1);
    }
}

// The Menu key and Shift+F10 open the job list's and the browser's context menus at the row
// the keyboard is on, also when the mouse pointer rests elsewhere.
TEST_F(Keys, ContextMenusFromTheKeyboardOpenAtTheCurrentRow) {
    SetFilterList({"*.png"});
    QStringList names;
    for (int i = 0; i < 24; ++i)
        names << QStringLiteral("p%1.png").arg(i, 2, 10, QLatin1Char('0'));
    addRows(names);
    showActive();
    CListImageView* browser = frame->GetImageBrowser();
    browser->FillList(dir.path());
    ASSERT_TRUE(QTest::qWaitFor([&] { return browser->model()->rowCount() == 24; }, 10000));

    struct Key {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    };
    const Key keys[] = {{Qt::Key_Menu, Qt::NoModifier}, {Qt::Key_F10, Qt::ShiftModifier}};
    const auto views = [&]() -> std::vector<QAbstractItemView*> {
        return {frame->jobListView(), browser->thumbnailView(), browser->reportView()};
    };
    for (QAbstractItemView* view : views()) {
        if (view == browser->reportView()) {
            browser->ToggleView();
            ASSERT_TRUE(QTest::qWaitFor([&] { return browser->model()->rowCount() == 24; }));
        }
        const QModelIndex current = view->model()->index(5, 0);
        view->setFocus();
        view->setCurrentIndex(current);
        for (const Key& key : keys) {
            QCursor::setPos(frame->mapToGlobal(QPoint(2, 2)));
            const QPoint at = popupPlace([&] { QTest::keyClick(view, key.key, key.modifiers); });
            QRect row = view->visualRect(current);
            row.moveTopLeft(view->viewport()->mapToGlobal(row.topLeft()));
            EXPECT_TRUE(row.adjusted(-2, -2, 2, 2).contains(at))
                << view->metaObject()->className() << " key " << key.key << ": at " << at.x() << ","
                << at.y() << ", the row is at " << row.x() << "," << row.y() << " " << row.width()
                << "x" << row.height();
        }
    }
}

} // namespace
} // namespace pix
