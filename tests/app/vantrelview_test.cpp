// The job list's window: sorting by the headers, removing and selecting by keys, the Settings
// dialog on the selected rows, and pictures dropped from a file manager.
#include "app/droppedfiles.h"
#include "app/framefixture.h"

#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QTest>
#include <QTimer>

namespace pix {
namespace {

class JobListView : public test::FrameTest {
protected:
    CVantrelView& view() { return *frame->jobListView(); }
    JobList& list() { return frame->jobList(); }
    std::vector<int> selected() { return view().commands().selectedRows(); }
    // Sizes per row, so "Dimension" and "Size" differ.
    void addSized(const std::vector<std::tuple<QString, int, int>>& rows) {
        for (const auto& [name, w, h] : rows)
            addRows({name}, w, h);
    }
};

TEST_F(JobListView, SevenColumnsWithTheirTitlesAndWidthsGridAndWholeRows) {
    QStringList titles;
    for (int column = 0; column < list().columnCount(); ++column)
        titles << view().model()->headerData(column, Qt::Horizontal).toString();
    EXPECT_EQ(titles, QStringList({"Name", "Type", "Dimension", "Size", "Output Folder",
                                   "Date Modified", "Remarks"}));
    const int widths[] = {100, 105, 80, 80, 120, 115};
    for (int column = 0; column < kColumnRemarks; ++column)
        EXPECT_EQ(view().horizontalHeader()->sectionSize(column), widths[column]);
    // "Remarks" fills the rest of the width.
    EXPECT_TRUE(view().horizontalHeader()->stretchLastSection());
    EXPECT_TRUE(view().showGrid());
    EXPECT_EQ(view().selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(view().selectionMode(), QAbstractItemView::ExtendedSelection);
}

TEST_F(JobListView, HeaderClicksSortAscendingThenReverseAndShowTheMark) {
    addSized({{"b.png", 300, 100}, {"c.png", 10, 10}, {"a.png", 200, 200}});
    QHeaderView* header = view().horizontalHeader();
    const auto click = [&](int column) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 5, 5));
    };
    frame->show();
    click(kColumnName);
    EXPECT_EQ(rowNames(), QStringList({"a.png", "b.png", "c.png"}));
    EXPECT_TRUE(header->isSortIndicatorShown());
    EXPECT_EQ(header->sortIndicatorSection(), kColumnName);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    click(kColumnName);
    EXPECT_EQ(rowNames(), QStringList({"c.png", "b.png", "a.png"}));
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
    // Width plus height: 300 x 100 and 200 x 200 are equal and keep their order.
    click(kColumnDimension);
    EXPECT_EQ(rowNames(), QStringList({"c.png", "b.png", "a.png"}));
    EXPECT_EQ(header->sortIndicatorSection(), kColumnDimension);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    click(kColumnDimension);
    EXPECT_EQ(rowNames(), QStringList({"b.png", "a.png", "c.png"}));
}

TEST_F(JobListView, DeleteRemovesRowsOneThreeAndFourOfFiveAndCtrlASelectsAll) {
    addRows({"r0.png", "r1.png", "r2.png", "r3.png", "r4.png"});
    JobItem* kept0 = list().itemAt(0);
    JobItem* kept2 = list().itemAt(2);
    select({1, 3, 4});
    view().setFocus();
    QTest::keyClick(&view(), Qt::Key_Delete);
    EXPECT_EQ(rowNames(), QStringList({"r0.png", "r2.png"}));
    EXPECT_EQ(list().itemAt(0), kept0);
    EXPECT_EQ(list().itemAt(1), kept2);
    EXPECT_EQ(kept2->source.fileName, "r2.png");
    EXPECT_EQ(list().items().size(), 2u);

    QTest::keyClick(&view(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(selected(), (std::vector<int>{0, 1}));
    // Delete with nothing selected removes nothing.
    view().selectionModel()->clearSelection();
    QTest::keyClick(&view(), Qt::Key_Delete);
    EXPECT_EQ(list().rowCount(), 2);
}

class SettingsOnRows : public JobListView {
protected:
    // Replaces the dialog: records the item it was opened with and answers OK with result.
    void answerDialog(std::optional<SettingsResult> result) {
        JobListCommands::Hooks hooks;
        hooks.editSettings = [this, result](const JobItem* item) {
            openedWith.push_back(item ? item->source.fileName : QStringLiteral("<none>"));
            return result;
        };
        commands = std::make_unique<JobListCommands>(list(), *view().selectionModel(), hooks);
    }
    std::unique_ptr<JobListCommands> commands;
    QStringList openedWith;
};

TEST_F(SettingsOnRows, SelectedRowsGetConsecutiveNumbersAndTheirRemarks) {
    addRows({"a.png", "b.png", "c.png", "d.png"});
    SettingsResult photo;
    photo.prefix = "Photo";
    photo.numberFrom = 5;
    photo.formatCode = kFormatPng;
    photo.outputFolder = dir.path();
    answerDialog(photo);
    select({3, 0, 2});
    commands->editSettings();
    EXPECT_EQ(openedWith, QStringList({"a.png"}));
    EXPECT_EQ(list().itemAt(0)->remarks, "photo005.png");
    EXPECT_EQ(list().itemAt(1)->remarks, "");
    EXPECT_EQ(list().itemAt(2)->remarks, "photo006.png");
    EXPECT_EQ(list().itemAt(3)->remarks, "photo007.png");
    EXPECT_EQ(list().columnText(3, kColumnRemarks), "photo007.png");
}

TEST_F(SettingsOnRows, WithoutSelectionEveryRowIsSelectedAndCancelChangesNothing) {
    addRows({"a.png", "b.png"});
    answerDialog(std::nullopt);
    commands->editSettings();
    EXPECT_EQ(selected(), (std::vector<int>{0, 1}));
    EXPECT_EQ(list().itemAt(0)->output.formatCode, kFormatRemainOriginal);

    SettingsResult jpg;
    jpg.formatCode = kFormatJpg;
    jpg.numberFrom = 3;
    answerDialog(jpg);
    view().selectionModel()->clearSelection();
    commands->editSettings();
    EXPECT_EQ(list().itemAt(0)->remarks, "a.jpg");
    EXPECT_EQ(list().itemAt(1)->remarks, "b.jpg");
    EXPECT_EQ(list().itemAt(1)->output.startNumber, 4);
}

TEST_F(SettingsOnRows, ADoubleClickSetsTheFirstSelectedRowAloneAndNeedsASelection) {
    addRows({"a.png", "b.png", "c.png"});
    SettingsResult mirror;
    mirror.mirror = 1;
    mirror.numberFrom = 7;
    answerDialog(mirror);
    commands->editItemSettings();
    EXPECT_TRUE(openedWith.isEmpty());
    select({1, 2});
    commands->editItemSettings();
    EXPECT_EQ(openedWith, QStringList({"b.png"}));
    EXPECT_EQ(list().itemAt(1)->remarks, "Mirror");
    EXPECT_EQ(list().itemAt(1)->output.startNumber, 7);
    EXPECT_EQ(list().itemAt(2)->remarks, "");
}

TEST_F(JobListView, SettingsOpensTheDialogOverTheJobListAndOKAppliesIt) {
    addRows({"a.png", "b.png"});
    select({1});
    frame->activatePane(&frame->jobListTarget());
    QString title;
    QTimer::singleShot(0, [&] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            title = dialog->windowTitle();
            dialog->accept();
        }
    });
    frame->action(CommandId::Settings)->trigger();
    EXPECT_EQ(title, "Settings");
    // OK with the item's own settings: the second row alone is applied to, with its number.
    EXPECT_EQ(list().itemAt(1)->output.startNumber, 0);
    EXPECT_EQ(list().itemAt(1)->output.folder, dir.path());
    EXPECT_EQ(list().itemAt(1)->remarks, "");
}

TEST_F(JobListView, ViewOpensTheFirstSelectedPicture) {
    addRows({"a.png", "b.png"});
    select({1});
    frame->activatePane(&frame->jobListTarget());
    frame->action(CommandId::View)->trigger();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened.front().toLocalFile(), dir.filePath("b.png"));
}

TEST_F(JobListView, ADropOfFilesIsAddedOnceTheDropHasEnded) {
    QTemporaryDir drop;
    for (const char* name : {"b.png", "A.png"})
        ASSERT_TRUE(test::writeQuadrantsPng(drop.filePath(name), 8, 4));
    EXPECT_EQ(addDropped(list(), {drop.filePath("b.png")}, {}), 1);

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(drop.filePath("A.png"))});
    // The application delivers a drop to the widget that accepted the drag's entry.
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view().viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view().viewport(), &dropped);
    QCoreApplication::processEvents();
    EXPECT_EQ(rowNames(), QStringList({"b.png", "A.png"}));
}

} // namespace
} // namespace pix
