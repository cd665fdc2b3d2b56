// The job list model: adding files, duplicates, removal, sorting and column texts.
#include "jobs/joblist.h"

#include "browser/common/formatting.h"
#include "jobs/jobfixture.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QObject>
#include <QTemporaryDir>
#include <limits>

namespace pix {
namespace {

// The shared scripted prompt, also noting the icon and the window of the last question.
class RecordingPrompt : public test::ScriptedPrompt {
public:
    MessageIcon icon = MessageIcon::None;
    QObject* owner = nullptr;

    Answer askYesNo(const QString& text, MessageIcon icon_, QObject* owner_) override {
        icon = icon_;
        owner = owner_;
        return ScriptedPrompt::askYesNo(text, icon_, owner_);
    }
};

// An item as a job file would make it, enough for sorting and column texts.
std::unique_ptr<JobItem> makeItem(const QString& name, int width = 0, int height = 0,
                                  std::uint64_t size = 0) {
    auto item = std::make_unique<JobItem>();
    item->source.fileName = name;
    item->source.folder = QStringLiteral("/pictures");
    item->source.width = width;
    item->source.height = height;
    item->source.fileSize = size;
    return item;
}

QStringList rowNames(const JobList& list) {
    QStringList names;
    for (int row = 0; row < list.rowCount(); ++row)
        names << list.rowName(row);
    return names;
}

class JobListFiles : public ::testing::Test {
protected:
    JobListFiles() : list(&prompt) {
        list.setQuestionOwner(&owner);
        info.folder = dir.path();
    }

    // A real file of the given size with a fixed modification time.
    void writeFile(const QString& name, qint64 size = 10) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(size, 'x'));
        ASSERT_TRUE(file.flush());
        ASSERT_TRUE(file.setFileTime(kWritten, QFileDevice::FileModificationTime));
    }

    bool add(const QString& name) { return list.AddFile(&info, &name); }

    const QDateTime kWritten{QDate(2020, 6, 7), QTime(8, 9, 10)};
    QTemporaryDir dir;
    RecordingPrompt prompt;
    QObject owner;
    JobList list;
    ImageInfo info;
};

TEST_F(JobListFiles, NewItemTakesTheFileAndDefaultSettings) {
    writeFile(QStringLiteral("photo.png"), 1536);
    info.width = 640;
    info.height = 480;
    info.typeName = QStringLiteral("ignored"); // taken from the file instead
    info.fileSize = 1;

    ASSERT_TRUE(add(QStringLiteral("photo.png")));
    ASSERT_EQ(list.rowCount(), 1);
    EXPECT_TRUE(prompt.questions.isEmpty());
    EXPECT_EQ(list.rowName(0), "photo.png");

    const JobItem& item = *list.itemAt(0);
    EXPECT_EQ(item.source.fileName, "photo.png");
    EXPECT_EQ(item.source.folder, dir.path());
    EXPECT_EQ(item.source.typeName, "PNG image"); // from the desktop's type database
    EXPECT_EQ(item.source.width, 640);
    EXPECT_EQ(item.source.height, 480);
    EXPECT_EQ(item.source.fileSize, 1536u);
    EXPECT_EQ(item.source.modified, kWritten.toSecsSinceEpoch());
    EXPECT_EQ(item.source.formatCode, kFormatRemainOriginal);

    EXPECT_EQ(item.output.folder, dir.path());
    EXPECT_EQ(item.output.width, 640);
    EXPECT_EQ(item.output.height, 480);
    EXPECT_EQ(item.output.formatCode, kFormatRemainOriginal);
    EXPECT_EQ(item.output.quality, 80);
    EXPECT_EQ(item.output.rotate + item.output.mirror + item.output.overwrite +
                  item.output.includeSubfolders + item.output.startNumber,
              0);
    EXPECT_TRUE((item.output.fileName + item.output.typeName + item.output.prefix + item.remarks)
                    .isEmpty());
    EXPECT_EQ(list.items().size(), 1u);
}

TEST_F(JobListFiles, SameFileAgainAsksOnceAndAddsOnlyOnYes) {
    writeFile(QStringLiteral("a.jpg"));
    ASSERT_TRUE(add(QStringLiteral("a.jpg")));

    prompt.answers = {Answer::No};
    EXPECT_FALSE(add(QStringLiteral("a.jpg")));
    EXPECT_EQ(list.rowCount(), 1);
    ASSERT_EQ(prompt.questions.size(), 1);
    EXPECT_EQ(prompt.questions[0],
              "The file is already in the list.\nWould you like to add the file?");
    EXPECT_EQ(prompt.icon, MessageIcon::Question);
    EXPECT_EQ(prompt.owner, &owner);

    prompt.answers = {Answer::Yes};
    EXPECT_TRUE(add(QStringLiteral("a.jpg")));
    ASSERT_EQ(list.rowCount(), 2);
    EXPECT_NE(list.itemAt(0), list.itemAt(1));
    list.itemAt(1)->output.quality = 10;
    EXPECT_EQ(list.itemAt(0)->output.quality, 80);

    // Two copies listed: one Yes is enough, the question is not repeated per copy.
    prompt.answers = {Answer::Yes, Answer::No};
    EXPECT_TRUE(add(QStringLiteral("a.jpg")));
    EXPECT_EQ(prompt.questions.size(), 3);
    EXPECT_EQ(list.rowCount(), 3);
}

TEST_F(JobListFiles, DuplicateTestIgnoresCaseOfFolderAndName) {
    writeFile(QStringLiteral("Äpfel.png"));
    ASSERT_TRUE(add(QStringLiteral("Äpfel.png")));

    info.folder = dir.path().toUpper();
    EXPECT_FALSE(add(QStringLiteral("äPFEL.PNG"))); // the queue is empty: No
    EXPECT_EQ(prompt.questions.size(), 1);
    EXPECT_EQ(list.rowCount(), 1);
}

TEST_F(JobListFiles, WithoutPromptADuplicateIsNotAdded) {
    writeFile(QStringLiteral("a.bmp"));
    JobList silent;
    const QString name = QStringLiteral("a.bmp");
    EXPECT_TRUE(silent.AddFile(&info, &name));
    EXPECT_FALSE(silent.AddFile(&info, &name));
    EXPECT_EQ(silent.rowCount(), 1);
}

TEST_F(JobListFiles, MissingArgumentsFilesAndFoldersAreSkippedSilently) {
    const QString name = QStringLiteral("gone.png");
    EXPECT_FALSE(list.AddFile(nullptr, &name));
    EXPECT_FALSE(list.AddFile(&info, nullptr));
    EXPECT_FALSE(add(name));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub.png")));
    EXPECT_FALSE(add(QStringLiteral("sub.png")));
    EXPECT_FALSE(add(QString()));

    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_TRUE(list.items().empty());
    EXPECT_TRUE(prompt.questions.isEmpty());
    EXPECT_TRUE(prompt.messages.isEmpty());
}

TEST_F(JobListFiles, FolderEndingInSlashGetsNoSecondOne) {
    writeFile(QStringLiteral("b.gif"));
    info.folder = dir.path() + QLatin1Char('/');
    ASSERT_TRUE(add(QStringLiteral("b.gif")));
    EXPECT_EQ(list.viewPath(0), dir.path() + QStringLiteral("/b.gif"));
}

class JobListRows : public ::testing::Test {
protected:
    // Rows r0..r(n-1), each item's name matching its row.
    void fill(int count) {
        for (int i = 0; i < count; ++i)
            list.AppendItem(makeItem(QStringLiteral("r%1").arg(i)), QStringLiteral("r%1").arg(i));
    }

    JobList list;
};

TEST_F(JobListRows, RemovingRowsKeepsTheOthersWithTheirItems) {
    fill(5);
    JobItem* const kept0 = list.itemAt(0);
    JobItem* const kept2 = list.itemAt(2);

    list.RemoveRows({3, 1, 4});
    EXPECT_EQ(rowNames(list), QStringList({"r0", "r2"}));
    EXPECT_EQ(list.itemAt(0), kept0);
    EXPECT_EQ(list.itemAt(1), kept2);
    EXPECT_EQ(kept2->source.fileName, "r2");
    ASSERT_EQ(list.items().size(), 2u);
    EXPECT_EQ(list.items()[0].get(), kept0);
    EXPECT_EQ(list.items()[1].get(), kept2);
}

TEST_F(JobListRows, RemovingAfterSortTakesTheRowsOwnItems) {
    fill(4);
    list.SortByColumn(kColumnName);
    list.SortByColumn(kColumnName); // descending: r3 r2 r1 r0, the array still r0..r3

    list.RemoveRows({0, 3});
    EXPECT_EQ(rowNames(list), QStringList({"r2", "r1"}));
    ASSERT_EQ(list.items().size(), 2u);
    EXPECT_EQ(list.items()[0]->source.fileName, "r1");
    EXPECT_EQ(list.items()[1]->source.fileName, "r2");
}

TEST_F(JobListRows, RemovingByIdentitySurvivesSortingAndOtherRemovals) {
    fill(5);
    const JobList::ItemId r1 = list.idAt(1);
    const JobList::ItemId r3 = list.idAt(3);
    list.SortByColumn(kColumnName);
    list.SortByColumn(kColumnName); // r4 r3 r2 r1 r0
    list.RemoveRows({0});           // r4 gone: every index moved
    EXPECT_EQ(list.rowOf(r3), 0);

    list.RemoveItems({r1, r3, r3, JobList::ItemId{999}});
    EXPECT_EQ(rowNames(list), QStringList({"r2", "r0"}));
    EXPECT_EQ(list.rowOf(r1), -1);
    // Identities are never reused, even after everything went.
    list.RemoveAll();
    fill(1);
    EXPECT_NE(list.idAt(0), r1);
    EXPECT_NE(list.idAt(0), r3);
}

TEST_F(JobListRows, RemoveAllAndViewPath) {
    EXPECT_FALSE(list.canStart());
    fill(3);
    EXPECT_TRUE(list.canStart());
    EXPECT_TRUE(list.viewPath(-1).isEmpty());

    list.itemAt(2)->output.folder = QStringLiteral("/elsewhere");
    list.setRowName(2, QStringLiteral("shown.png"));
    // The source folder and the row's own name, not the output folder.
    EXPECT_EQ(list.viewPath(2), "/pictures/shown.png");

    list.RemoveAll();
    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_TRUE(list.items().empty());
    EXPECT_TRUE(list.viewPath(0).isEmpty());
    EXPECT_FALSE(list.canStart());
}

TEST_F(JobListRows, BadRowsAndColumnsAreHarmless) {
    fill(2);
    EXPECT_EQ(list.itemAt(-1), nullptr);
    EXPECT_EQ(list.itemAt(2), nullptr);
    EXPECT_TRUE(list.columnText(5, kColumnName).isEmpty());
    EXPECT_TRUE(list.columnText(0, kColumnCount).isEmpty());
    list.setRowName(-3, QStringLiteral("x"));
    EXPECT_EQ(list.AppendItem(nullptr, QStringLiteral("none")), -1);
    EXPECT_EQ(list.idAt(2), JobList::ItemId{0});

    list.RemoveRows({-1, 9, 0, 0});
    EXPECT_EQ(rowNames(list), QStringList({"r1"}));
    EXPECT_EQ(list.items().size(), 1u);
}

// ---- Sorting ----------------------------------------------------------------------------------

TEST_F(JobListRows, SameColumnReversesNewColumnStartsAscending) {
    list.AppendItem(makeItem("b", 0, 0, 300), "b");
    list.AppendItem(makeItem("a", 0, 0, 100), "a");
    list.AppendItem(makeItem("c", 0, 0, 200), "c");
    list.itemAt(0)->source.typeName = "Z";
    list.itemAt(1)->source.typeName = "x";
    list.itemAt(2)->source.typeName = "Y";

    list.SortByColumn(kColumnSize);
    EXPECT_EQ(rowNames(list), QStringList({"a", "c", "b"}));
    EXPECT_TRUE(list.sortAscending());
    list.SortByColumn(kColumnSize);
    EXPECT_EQ(rowNames(list), QStringList({"b", "c", "a"}));
    EXPECT_FALSE(list.sortAscending());
    list.SortByColumn(kColumnType); // case does not count: x, Y, Z
    EXPECT_EQ(rowNames(list), QStringList({"a", "c", "b"}));
    EXPECT_TRUE(list.sortAscending());
    EXPECT_EQ(list.lastSortedColumn(), kColumnType);
}

TEST_F(JobListRows, DimensionSortsByWidthPlusHeightKeepingTies) {
    list.AppendItem(makeItem("wide", 300, 100), "wide");
    list.AppendItem(makeItem("square", 200, 200), "square");
    list.AppendItem(makeItem("huge", std::numeric_limits<std::int32_t>::max(),
                             std::numeric_limits<std::int32_t>::max()),
                    "huge");
    list.AppendItem(makeItem("small", 100, 50), "small");

    list.SortByColumn(kColumnDimension);
    EXPECT_EQ(rowNames(list), QStringList({"small", "wide", "square", "huge"}));
    list.SortByColumn(kColumnDimension);
    EXPECT_EQ(rowNames(list), QStringList({"huge", "wide", "square", "small"}));
}

TEST_F(JobListRows, EachColumnSortsOnItsValue) {
    for (const char* name : {"b", "C", "a"})
        list.AppendItem(makeItem(name), name);
    auto set = [this](int row, const char* folder, const char* output, std::int64_t modified,
                      std::uint64_t size, const char* remarks) {
        JobItem& item = *list.itemAt(row);
        item.source.folder = folder;
        item.output.folder = output;
        item.source.modified = modified;
        item.source.fileSize = size;
        item.remarks = remarks;
    };
    set(0, "/m", "/1", -5, 1, "b");
    set(1, "/Z", "/0", 1000, std::uint64_t{1} << 63, "A");
    set(2, "/a", "/2", 0, 0, "c");

    struct SortCase {
        int column;
        QStringList order;
    };
    const SortCase cases[] = {
        {kColumnName, {"a", "b", "C"}},
        {kColumnOutputFolder, {"a", "b", "C"}}, // the source folder, not the output folder
        {kColumnDateModified, {"b", "a", "C"}},
        {kColumnSize, {"a", "b", "C"}}, // unsigned: the top bit is the largest
        {kColumnRemarks, {"C", "b", "a"}},
        {42, {"a", "b", "C"}}, // unknown columns sort by name
    };
    for (const SortCase& c : cases) {
        list.SortByColumn(c.column);
        EXPECT_EQ(rowNames(list), c.order) << "column " << c.column;
    }
}

// ---- Column texts -----------------------------------------------------------------------------

TEST_F(JobListRows, ColumnTexts) {
    list.setDatePattern(QStringLiteral("%Y-%m-%d %H:%M"));

    auto item = makeItem("pic.png", 640, 480, 1536);
    item->source.typeName = "PNG image";
    item->source.modified = QDateTime(QDate(2021, 3, 4), QTime(5, 6)).toSecsSinceEpoch();
    item->output.folder = "/out";
    item->remarks = "Convert to JPG";
    list.AppendItem(std::move(item), "shown name");

    const QStringList expected = {"shown name", "PNG image",        "640 x 480",     "1.50 KB",
                                  "/out",       "2021-03-04 05:06", "Convert to JPG"};
    for (int column = 0; column < kColumnCount; ++column)
        EXPECT_EQ(list.columnText(0, column), expected[column]) << column;

    list.itemAt(0)->source.width = -1;
    EXPECT_EQ(list.columnText(0, kColumnDimension), "-1 x 480");
    list.itemAt(0)->source.fileSize = std::uint64_t{5} << 30; // beyond 32 bits: still MB
    EXPECT_EQ(list.columnText(0, kColumnSize), "5120 MB");
    list.itemAt(0)->source.fileSize = (std::uint64_t{4} << 30) + (1u << 19);
    EXPECT_EQ(list.columnText(0, kColumnSize), "4096.50 MB");
    list.itemAt(0)->source.modified = std::numeric_limits<std::int64_t>::max();
    EXPECT_TRUE(list.columnText(0, kColumnDateModified).isEmpty());

    // The model shows the same texts.
    EXPECT_EQ(list.columnCount(), int(kColumnCount));
    EXPECT_EQ(list.data(list.index(0, kColumnName)).toString(), "shown name");
    EXPECT_FALSE(list.data(list.index(0, kColumnName), Qt::DecorationRole).isValid());
}

} // namespace
} // namespace pix
