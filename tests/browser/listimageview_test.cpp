// The image browser's window: its fill, the commands, keys and menus.
#include "browser/view/listimageview.h"

#include "browser/browserfixture.h"
#include "browser/common/formatting.h"
#include "browser/thumbnailcache.h"
#include "jobs/jobfixture.h"
#include "jobs/joblist.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QListView>
#include <QMenu>
#include <QMimeDatabase>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

namespace pix {
namespace {

class ViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetFilterList({"*.jpg", "*.png"});
        SetSortDirection(-1);
        cache = std::make_shared<ThumbnailCache>(dir.filePath("cache"));
        view = std::make_unique<CListImageView>(nullptr, cache, 2);
        view->resize(600, 400);
        view->show();
    }
    void TearDown() override { SetFilterList({}); }

    QString folder(const QString& name) {
        QDir(dir.path()).mkpath(name);
        return dir.filePath(name);
    }
    void fillAndWait(const QString& path) {
        view->FillList(path);
        ASSERT_TRUE(test::waitUntil([&] { return !view->isBusy(); }));
        QCoreApplication::processEvents(); // results posted by the last worker
    }
    QStringList rowNames() const {
        QStringList out;
        for (int row = 0; row < view->model()->rowCount(); ++row)
            out << view->model()->rowName(row);
        return out;
    }
    void select(std::initializer_list<int> rows) {
        for (int row : rows)
            view->selectionModel()->select(view->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    QTemporaryDir dir;
    std::shared_ptr<ThumbnailCache> cache;
    std::unique_ptr<CListImageView> view;
};

TEST_F(ViewTest, AFillShowsTheRowsAndAnEmptyFolderNone) {
    const QString a = folder("a");
    ASSERT_TRUE(test::writePicture(a + "/one.jpg", 64, 48, Qt::red));
    fillAndWait(a);
    EXPECT_EQ(rowNames(), QStringList{"one.jpg"});
    EXPECT_EQ(view->model()->thumbnailState(0), ThumbnailState::Ready);
    EXPECT_EQ(view->generation(), 1u);
    view->FillList(QString());
    EXPECT_EQ(view->model()->rowCount(), 0);
    EXPECT_FALSE(view->isBusy());
}

TEST_F(ViewTest, AddToListReachesTheJobList) {
    const QString a = folder("a");
    ASSERT_TRUE(test::writePicture(a + "/a.jpg", 10, 20));
    ASSERT_TRUE(test::writePicture(a + "/b.jpg", 30, 40));
    ASSERT_TRUE(test::writePicture(a + "/c.png", 50, 60));
    ASSERT_TRUE(test::writePicture(a + "/d.png", 70, 80));
    test::ScriptedPrompt prompt;
    JobList jobs(&prompt);
    view->setAddFileHandler(
        [&](const ImageInfo* info, const QString* name) { return jobs.AddFile(info, name); });
    fillAndWait(a);

    view->AddSelectedToJobList(); // nothing selected: nothing happens
    EXPECT_EQ(jobs.rowCount(), 0);
    select({0, 1, 3});
    view->AddSelectedToJobList();
    ASSERT_EQ(jobs.rowCount(), 3);
    const int widths[] = {10, 30, 70};
    const char* names[] = {"a.jpg", "b.jpg", "d.png"};
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(jobs.rowName(row), names[row]);
        EXPECT_EQ(jobs.itemAt(row)->source.folder, a);
        EXPECT_EQ(jobs.itemAt(row)->source.width, widths[row]);
        EXPECT_EQ(jobs.itemAt(row)->source.height, widths[row] + 10);
    }
    EXPECT_TRUE(prompt.questions.isEmpty());

    // Again, by the Enter key: each file is already listed, so each one asks.
    prompt.answers = {Answer::Yes, Answer::No, Answer::Yes};
    QTest::keyClick(view->thumbnailView(), Qt::Key_Return);
    EXPECT_EQ(prompt.questions.size(), 3);
    EXPECT_EQ(prompt.questions.front(),
              "The file is already in the list.\nWould you like to add the file?");
    EXPECT_EQ(jobs.rowCount(), 5);
}

TEST_F(ViewTest, DoubleClickAddsAndViewOpensTheFirstSelected) {
    const QString a = folder("a");
    ASSERT_TRUE(test::writePicture(a + "/a.jpg", 10, 20));
    ASSERT_TRUE(test::writePicture(a + "/b.jpg", 10, 20));
    QStringList added;
    view->setAddFileHandler([&](const ImageInfo*, const QString* name) {
        added << *name;
        return true;
    });
    QList<QUrl> opened;
    view->setUrlOpener([&](const QUrl& url) { opened << url; });
    fillAndWait(a);

    view->ViewSelected();
    EXPECT_TRUE(opened.isEmpty());
    const QRect cell = view->thumbnailView()->visualRect(view->model()->index(1, 0));
    // A double click is a press, a release, then the second press.
    QTest::mouseClick(view->thumbnailView()->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(view->thumbnailView()->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(added, QStringList{"b.jpg"});
    select({0});
    view->viewAction()->trigger();
    EXPECT_EQ(opened, QList<QUrl>{QUrl::fromLocalFile(a + "/a.jpg")});
}

TEST_F(ViewTest, ContextMenuAndSelectAll) {
    auto states = [&] {
        std::unique_ptr<QMenu> menu = view->makeContextMenu();
        QStringList out;
        for (QAction* action : menu->actions())
            out << (action->isSeparator() ? QStringLiteral("-")
                                          : action->text() + (action->isEnabled() ? "" : " (off)"));
        return out;
    };
    EXPECT_EQ(states(),
              (QStringList{"Add to list (off)", "-", "View (off)", "-", "Select All (off)"}));
    const QString a = folder("a");
    ASSERT_TRUE(test::writePicture(a + "/a.jpg", 10, 20));
    ASSERT_TRUE(test::writePicture(a + "/b.jpg", 10, 20));
    fillAndWait(a);
    EXPECT_EQ(states(), (QStringList{"Add to list (off)", "-", "View (off)", "-", "Select All"}));
    QTest::keyClick(view->thumbnailView(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(view->selectedRows(), (std::vector<int>{0, 1}));
    EXPECT_EQ(states(), (QStringList{"Add to list", "-", "View", "-", "Select All"}));
    EXPECT_EQ(view->addToListAction()->data().toInt(), 32781);
    EXPECT_EQ(view->viewAction()->data().toInt(), 32775);
    EXPECT_EQ(view->selectAllAction()->data().toInt(), 32776);
    EXPECT_FALSE(view->addToListAction()->icon().isNull());
}

// A screen reader meets one cell per thumbnail, read by its caption; the report's cells are
// its columns.
TEST_F(ViewTest, EachThumbnailIsOneAccessibleCellReadByItsCaption) {
    const QString a = folder("a");
    ASSERT_TRUE(test::writePicture(a + "/a.jpg", 10, 20));
    ASSERT_TRUE(test::writePicture(a + "/b.png", 30, 40));
    fillAndWait(a);
    const auto cellNames = [](QAbstractItemView* itemView) {
        QStringList names;
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(itemView);
        for (int i = 0; list != nullptr && i < list->childCount(); ++i)
            if (list->child(i)->role() != QAccessible::ColumnHeader)
                names << list->child(i)->text(QAccessible::Name);
        return names;
    };
    EXPECT_EQ(cellNames(view->thumbnailView()), (QStringList{"a.jpg\n(10x20)", "b.png\n(30x40)"}));
    view->ToggleView();
    ASSERT_TRUE(test::waitUntil([&] { return !view->isBusy(); }));
    const QStringList report = cellNames(view->reportView());
    ASSERT_EQ(report.size(), 2 * kBrowserColumnCount);
    // The type is the desktop's own description, which depends on its MIME data and language.
    const QString jpegType = QMimeDatabase().mimeTypeForFile(a + "/a.jpg").comment();
    EXPECT_EQ(report.mid(0, 3), (QStringList{"a.jpg", jpegType, "10x20"}))
        << report.join('|').toStdString();
}

TEST_F(ViewTest, ReportViewColumnsAndSortingByHeader) {
    const QString a = folder("a");
    ASSERT_TRUE(test::writePicture(a + "/big.png", 300, 100));
    ASSERT_TRUE(test::writePicture(a + "/Small.jpg", 20, 20));
    ASSERT_TRUE(test::writePicture(a + "/mid.jpg", 200, 200));
    fillAndWait(a);
    view->ToggleView();
    ASSERT_TRUE(test::waitUntil([&] { return !view->isBusy(); }));
    EXPECT_EQ(view->viewMode(), 0);
    EXPECT_EQ(view->currentView(), view->reportView());
    ASSERT_EQ(rowNames(), (QStringList{"mid.jpg", "Small.jpg", "big.png"}));
    EXPECT_EQ(view->model()->columnText(2, kBrowserDimension), "300x100");
    EXPECT_FALSE(view->model()->recordAt(0)->typeName.isEmpty());
    EXPECT_EQ(view->model()->thumbnailState(0), ThumbnailState::Pending); // none in this view

    QHeaderView* header = view->reportView()->header();
    auto click = [&](int column) {
        const int x = header->sectionViewportPosition(column) + 5;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    };
    click(kBrowserDimension); // 400, 40, 400: ties keep their order
    EXPECT_EQ(rowNames(), (QStringList{"Small.jpg", "mid.jpg", "big.png"}));
    EXPECT_EQ(header->sortIndicatorSection(), kBrowserDimension);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    click(kBrowserDimension);
    EXPECT_EQ(rowNames(), (QStringList{"mid.jpg", "big.png", "Small.jpg"}));
    click(kBrowserName);
    EXPECT_EQ(rowNames(), (QStringList{"big.png", "mid.jpg", "Small.jpg"}));

    view->ToggleView();
    ASSERT_TRUE(test::waitUntil([&] { return !view->isBusy(); }));
    EXPECT_EQ(view->viewMode(), 1);
    EXPECT_EQ(view->model()->rowText(0), "mid.jpg\n(200x200)");
}

} // namespace
} // namespace pix
