// The run lock: while a run holds the job list no row comes or goes, and the run's own removal
// of its converted rows comes after it lets go.
#include "jobs/batchrunfixture.h"

#include <gtest/gtest.h>

#include <QFile>
#include <functional>
#include <optional>

namespace pix {
namespace {

class RunLock : public test::BatchRunFixture {};

TEST_F(RunLock, NoRowComesOrGoesWhileTheListIsHeld) {
    addPictures({"b.png", "a.png", "c.png"});
    ImageInfo info;
    info.folder = dir.path();
    const QString name = QStringLiteral("a.png");
    struct Change {
        const char* what;
        std::function<bool(JobList&)> change; // true when the list changed
    };
    const Change changes[] = {
        {"AddFile", [&](JobList& l) { return l.AddFile(&info, &name); }},
        {"AppendItem",
         [](JobList& l) { return l.AppendItem(std::make_unique<JobItem>(), "d.png") >= 0; }},
        {"RemoveRows",
         [](JobList& l) {
             l.RemoveRows({0});
             return l.rowCount() != 3;
         }},
        {"RemoveItems",
         [](JobList& l) {
             l.RemoveItems({l.idAt(0)});
             return l.rowCount() != 3;
         }},
        {"RemoveAll",
         [](JobList& l) {
             l.RemoveAll();
             return l.rowCount() != 3;
         }},
    };
    prompt.answers = {Answer::Yes};
    {
        const JobList::RunLock outer(list);
        std::optional<JobList::RunLock> inner(list);
        inner.reset();
        ASSERT_TRUE(list.isLocked()); // held as long as one holder holds it
        for (const Change& c : changes)
            EXPECT_FALSE(c.change(list)) << c.what;
        EXPECT_TRUE(prompt.questions.isEmpty()); // no duplicate question for a held list
        list.SortByColumn(kColumnName);          // sorting moves rows, it adds and removes none
        EXPECT_EQ(rows(), QStringList({"a.png", "b.png", "c.png"}));
    }
    EXPECT_FALSE(list.isLocked());
    EXPECT_TRUE(changes[0].change(list)); // the duplicate, answered Yes
    EXPECT_TRUE(changes[1].change(list));
    EXPECT_EQ(list.rowCount(), 5);
}

TEST_F(RunLock, ARunHoldsTheListUntilItsConvertedRowsLeave) {
    addPictures({"a.png", "b.png", "c.png"});
    QFile::remove(dir.filePath("b.png")); // b fails and stays
    BatchRun run(list, context);
    std::vector<bool> heldDuringRows;
    QObject::connect(&run, &BatchRun::rowFinished, [&](int) {
        heldDuringRows.push_back(list.isLocked());
        list.RemoveAll(); // refused: the run's rows stay until it ends
    });
    bool heldAtTheEnd = true;
    QObject::connect(&run, &BatchRun::finished, [&] { heldAtTheEnd = list.isLocked(); });
    EXPECT_FALSE(list.isLocked());
    run.runToCompletion();
    EXPECT_EQ(heldDuringRows, std::vector<bool>({true, true, true}));
    EXPECT_FALSE(heldAtTheEnd);
    EXPECT_EQ(rows(), QStringList({"b.png"}));
}

} // namespace
} // namespace pix
