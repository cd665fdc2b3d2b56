// The job list as a table model: what views are told when rows come, go, change and are sorted.
#include "jobs/joblist.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QPersistentModelIndex>
#include <QSignalSpy>

namespace pix {
namespace {

std::unique_ptr<JobItem> named(const QString& name) {
    auto item = std::make_unique<JobItem>();
    item->source.fileName = name;
    return item;
}

class JobListModel : public ::testing::Test {
protected:
    void fill(const QStringList& names) {
        for (const QString& name : names)
            list.AppendItem(named(name), name);
    }
    QStringList shown() const {
        QStringList names;
        for (int row = 0; row < list.rowCount(); ++row)
            names << list.data(list.index(row, kColumnName)).toString();
        return names;
    }

    JobList list;
    // Checks every signal against the model's answers as it goes (fails the test on a breach).
    QAbstractItemModelTester tester{&list, QAbstractItemModelTester::FailureReportingMode::Fatal};
};

TEST_F(JobListModel, AddingAndRemovingAnnounceTheirRows) {
    QSignalSpy inserted(&list, &JobList::rowsInserted);
    QSignalSpy removed(&list, &JobList::rowsRemoved);
    fill({"a", "b", "c", "d", "e"});
    ASSERT_EQ(inserted.size(), 5);
    EXPECT_EQ(inserted.last().at(1).toInt(), 4);

    // Rows 1, 3 and 4: neighbours go together, from the bottom up.
    list.RemoveRows({1, 4, 3});
    ASSERT_EQ(removed.size(), 2);
    EXPECT_EQ(removed.at(0).at(1).toInt(), 3);
    EXPECT_EQ(removed.at(0).at(2).toInt(), 4);
    EXPECT_EQ(removed.at(1).at(1).toInt(), 1);
    EXPECT_EQ(shown(), QStringList({"a", "c"}));
}

TEST_F(JobListModel, SortingMovesRememberedIndicesWithTheirRows) {
    fill({"b", "c", "a"});
    const QPersistentModelIndex c(list.index(1, kColumnRemarks));
    QSignalSpy layout(&list, &JobList::layoutChanged);

    list.SortByColumn(kColumnName);
    EXPECT_EQ(shown(), QStringList({"a", "b", "c"}));
    EXPECT_EQ(c.row(), 2);
    EXPECT_EQ(c.column(), int(kColumnRemarks));
    list.sort(kColumnName, Qt::DescendingOrder);
    EXPECT_EQ(shown(), QStringList({"c", "b", "a"}));
    EXPECT_EQ(c.row(), 0);
    EXPECT_FALSE(list.sortAscending());
    EXPECT_EQ(layout.size(), 2);
    // The header's sort and the column click share one direction.
    list.SortByColumn(kColumnName);
    EXPECT_EQ(shown(), QStringList({"a", "b", "c"}));
}

TEST_F(JobListModel, ChangesInPlaceAreAnnounced) {
    fill({"a", "b"});
    QSignalSpy changed(&list, &JobList::dataChanged);
    list.setRowName(1, QStringLiteral("renamed"));
    list.itemAt(0)->remarks = QStringLiteral("Rotate 90");
    list.itemChanged(0);
    list.setDatePattern(QStringLiteral("%Y"));
    ASSERT_EQ(changed.size(), 3);
    EXPECT_EQ(changed.at(0).at(0).toModelIndex().row(), 1);
    EXPECT_EQ(changed.at(1).at(1).toModelIndex().column(), kColumnCount - 1);
    EXPECT_EQ(list.data(list.index(0, kColumnRemarks)).toString(), "Rotate 90");
    JobOutput& out = list.itemAt(0)->output;
    out.folder = "/out";
    out.relativeFolder = "2023/May";
    EXPECT_EQ(list.columnText(0, kColumnOutputFolder), "/out");
    out.keepFolders = 1;
    EXPECT_EQ(list.columnText(0, kColumnOutputFolder), "/out/2023/May") << "where it goes";

    QSignalSpy reset(&list, &JobList::modelReset);
    list.RemoveAll();
    EXPECT_EQ(reset.size(), 1);
    EXPECT_EQ(list.rowCount(), 0);
}

} // namespace
} // namespace pix
