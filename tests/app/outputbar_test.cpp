// The "Output" bar: its lines, its context menu's three commands and the clipboard text.
#include "app/framefixture.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QScrollBar>
#include <QTabWidget>

namespace pix {
namespace {

const QString kSaved = QStringLiteral("The file has been saved to /out/a.jpg successfully.");
const QString kUnable = QStringLiteral("Unable to save the file - /out/b.jpg.");

class OutputBar : public test::FrameTest {
protected:
    COutputListBox& box() { return *frame->outputBar()->listBox(); }
    OutputLogModel& log() { return frame->outputBar()->log(); }
    void selectLine(int row) {
        box().selectionModel()->select(log().index(row), QItemSelectionModel::ClearAndSelect);
    }
    QStringList menu() {
        QStringList texts;
        const std::unique_ptr<QMenu> menu = box().makeContextMenu();
        for (const QAction* action : menu->actions())
            texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
        return texts;
    }
    void recordOpens() {
        log().setUrlOpener([this](const QUrl& url) {
            opened.push_back(url);
            return true;
        });
    }
};

TEST_F(OutputBar, ADockWindowWithOneOutputTab) {
    EXPECT_EQ(frame->outputBar()->windowTitle(), "Output");
    auto* tabs = qobject_cast<QTabWidget*>(frame->outputBar()->widget());
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 1);
    EXPECT_EQ(tabs->tabText(0), "Output");
    EXPECT_EQ(frame->dockWidgetArea(frame->outputBar()), Qt::BottomDockWidgetArea);
    EXPECT_EQ(frame->dockWidgetArea(frame->GetFoldersTab()), Qt::LeftDockWidgetArea);
    EXPECT_EQ(frame->GetFoldersTab()->windowTitle(), "Folders");
}

TEST_F(OutputBar, TheMenuOffersOpenAndCopyOnlyForASelectedLine) {
    EXPECT_EQ(menu(), QStringList({"Clear"}));
    frame->AddOutputLine(kSaved, QStringLiteral("/out"));
    EXPECT_EQ(menu(), QStringList({"Clear"}));
    selectLine(0);
    EXPECT_EQ(menu(),
              QStringList({"Open Containing Folder", "-", "Copy to Clipboard", "-", "Clear"}));
}

TEST_F(OutputBar, OpenCopyAndClear) {
    recordOpens();
    frame->AddOutputLine(kSaved, QStringLiteral("/out folder"));
    frame->AddOutputLine(kUnable);

    selectLine(1);
    box().runCommand(CommandId::OpenContainingFolder); // a failure line has no path
    EXPECT_TRUE(opened.empty());
    selectLine(0);
    box().runCommand(CommandId::OpenContainingFolder);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened.front().toLocalFile(), "/out folder");

    QApplication::clipboard()->clear();
    box().runCommand(CommandId::CopyToClipboard);
    EXPECT_EQ(QApplication::clipboard()->text(), kSaved);

    box().runCommand(CommandId::Clear);
    EXPECT_EQ(log().rowCount(), 0);
    EXPECT_EQ(log().log().lineCount(), 0);
    EXPECT_EQ(menu(), QStringList({"Clear"}));
    frame->AddOutputLine(kUnable, QStringLiteral("/fresh"));
    EXPECT_EQ(log().log().line(0).path, QStringLiteral("/fresh"));
}

TEST_F(OutputBar, ADoubleClickOpensTheLinesFolder) {
    recordOpens();
    frame->AddOutputLine(kUnable);
    frame->AddOutputLine(kSaved, QStringLiteral("/out"));
    frame->show();
    for (const int row : {0, 1}) {
        const QRect cell = box().visualRect(log().index(row));
        QTest::mouseDClick(box().viewport(), Qt::LeftButton, {}, cell.center());
    }
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened.front().toLocalFile(), "/out");
}

// New lines scroll into view while the list shows its end; a person who scrolled up to read
// keeps the place until scrolling back down.
TEST_F(OutputBar, TheListFollowsNewLinesUnlessScrolledUp) {
    frame->resize(700, 500);
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    QScrollBar& bar = *box().verticalScrollBar();
    const auto addLines = [&](int count) {
        for (int i = 0; i < count; ++i)
            frame->AddOutputLine(kSaved);
        QCoreApplication::processEvents();
    };
    const auto lastLineShown = [&] {
        const QRect last = box().visualRect(log().index(log().rowCount() - 1));
        return box().viewport()->rect().contains(last);
    };
    struct Step {
        int scrollTo; // -1: leave the scroll bar; INT_MAX: its end
        bool follows;
    };
    const Step steps[] = {{-1, true}, {0, false}, {INT_MAX, true}, {-1, true}};
    for (const Step& step : steps) {
        if (step.scrollTo >= 0)
            bar.setValue(std::min(step.scrollTo, bar.maximum()));
        const int before = bar.value();
        addLines(60);
        EXPECT_GT(bar.maximum(), 0);
        EXPECT_EQ(lastLineShown(), step.follows) << "scrolled to " << step.scrollTo;
        if (!step.follows) {
            EXPECT_EQ(bar.value(), before);
        }
    }
}

} // namespace
} // namespace pix
