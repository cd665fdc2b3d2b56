// The order in which a run's workers take rows, case by case: the look-ahead, large and small
// rows, dependent rows, the bound on the results waiting for their commit, the memory budget
// and Stop.
#include "jobs/batchschedule.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QString>
#include <QStringList>

namespace pix {
namespace {

using Row = ScheduledRow;

// Rows written as words, one a row: a letter for the state, ! for a row started as a large one,
// the row's work in bytes (its need too), then o<output bytes>, r<reserve or, once done or taken,
// result bytes>, w<the row it waits for>, each when it matters; N*word repeats a word.
//   W waiting   m measuring   M measured   S started   P preparing   D done   T taken
std::vector<Row> rows(const char* text) {
    static const QRegularExpression word(
        QStringLiteral(R"(^(?:(\d+)\*)?([WmMSPDT])(!?)(\d*)(?:o(\d+))?(?:r(\d+))?(?:w(\d+))?$)"));
    const Row::State states[] = {Row::Waiting,   Row::Measuring, Row::Measured, Row::Started,
                                 Row::Preparing, Row::Done,      Row::Taken};
    std::vector<Row> out;
    for (const QString& spec : QString::fromLatin1(text).split(u' ', Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch match = word.match(spec);
        EXPECT_TRUE(match.hasMatch()) << spec.toStdString();
        Row row;
        row.state = states[QStringLiteral("WmMSPDT").indexOf(match.captured(2))];
        row.large = !match.captured(3).isEmpty();
        row.work = row.need = match.captured(4).toLongLong();
        row.output = match.captured(5).toLongLong();
        (row.state >= Row::Done ? row.result : row.reserve) = match.captured(6).toLongLong();
        row.waitsFor = match.captured(7).isEmpty() ? -1 : match.captured(7).toInt();
        const int count = match.captured(1).isEmpty() ? 1 : match.captured(1).toInt();
        out.insert(out.end(), std::size_t(count), row);
    }
    return out;
}

QString describe(const ScheduleStep& step) {
    switch (step.kind) {
    case ScheduleStep::Measure:
        return QStringLiteral("measure %1").arg(step.row);
    case ScheduleStep::Prepare:
        return QStringLiteral("prepare %1%2%3")
            .arg(step.row)
            .arg(step.large ? " large" : "")
            .arg(step.cores > 1 ? QStringLiteral(" on %1 cores").arg(step.cores) : QString());
    case ScheduleStep::Wait:
        return QStringLiteral("wait");
    case ScheduleStep::End:
        return QStringLiteral("end");
    }
    return {};
}

struct StepCase {
    const char* rule;
    int workers; // 1: look-ahead and order of 2 rows; 2: 3 rows in order, 16 ahead
    const char* rows;
    std::size_t committed;
    qint64 heldLimit;
    const char* expected;
    bool stopping = false;
};

const StepCase kStepCases[] = {
    {"stop ends every worker", 2, "M10 M10", 0, 0, "end", true},
    {"every row started: the worker ends", 2, "T10 T10 P10 D10", 2, 0, "end"},
    {"rows beyond the look-ahead are not the end", 1, "P10 P10 W", 0, 0, "wait"},
    {"the first row not measured is measured", 2, "M10 W W", 0, 0, "measure 1"},
    {"rows beyond the look-ahead are not measured", 2, "16*P1 W", 0, 0, "wait"},
    {"a commit moves the look-ahead on", 2, "T1 15*P1 W", 1, 0, "measure 16"},
    {"a row reading an output not yet written waits", 2, "P10 Ww0 W", 0, 0, "measure 2"},
    {"nor is it chosen", 2, "P10 Ww0", 0, 0, "wait"},
    {"once that row is committed it is measured", 2, "T10 Ww0", 1, 0, "measure 1"},
    {"every row is weighed before one is chosen", 2, "M10 m", 0, 0, "wait"},
    {"the nearest large row first", 2, "M10 M10 M40 M10 M40", 0, 0, "prepare 2 large"},
    {"small rows in order beside a large one", 2, "P!40 M40 M10 M10", 0, 0, "prepare 2"},
    {"a large row started but waiting counts", 2, "S!40 M40 M10", 0, 0, "prepare 2"},
    {"a large row that is done does not", 2, "D!40 M10 M40", 0, 0, "prepare 2 large"},
    {"twice the smallest is large", 2, "M10 M19 M20", 0, 0, "prepare 2 large"},
    {"rows alike: the first", 2, "M10 M12 M15", 0, 0, "prepare 0"},
    {"a row of unknown work is not the smallest", 2, "M0 M10 M25", 0, 0, "prepare 2 large"},
    {"one worker keeps row order", 1, "M10 M40", 0, 0, "prepare 0"},
    {"the rows next in order start whatever is held", 2, "D10r500 D10 M10o50", 0, 10,
     "prepare 2 on 2 cores"},
    {"further on, a row waits while the results held and its output exceed the largest picture", 2,
     "D10r60 D10 D10 M10o50", 0, 100, "wait"},
    {"and starts when they do not", 2, "D10r60 D10 D10 M10o40", 0, 100, "prepare 3 on 2 cores"},
    {"the reserve of a row started far ahead is held", 2, "T10 D10r60 D10 D10 S10r30 M10o20", 1,
     100, "wait"},
    {"and starts when they fit", 2, "T10 D10r60 D10 D10 S10r30 M10o10", 1, 100, "prepare 5"},
    {"a result taken by the commit is held no more", 2, "T10r60 D10 D10 M10o50", 0, 100,
     "prepare 3 on 2 cores"},
    {"the last row to start takes the idle cores", 4, "D10 P10 M10", 0, 0, "prepare 2 on 3 cores"},
    {"every idle core", 2, "T10 D10 M10", 1, 0, "prepare 2 on 2 cores"},
    {"a row started but waiting keeps its core", 2, "S10 M10", 0, 0, "prepare 1"},
    {"one core while another row is left to start", 4, "M10 W", 0, 0, "measure 1"},
    {"or is measured", 4, "M10 M10", 0, 0, "prepare 0"},
    {"or waits for another row's output", 4, "P10 M10 Ww0", 0, 0, "prepare 1"},
};

TEST(BatchSchedule, NextStep) {
    for (const StepCase& c : kStepCases) {
        ScheduleState state;
        state.rows = rows(c.rows);
        state.committed = c.committed;
        state.heldLimit = c.heldLimit;
        state.stopping = c.stopping;
        const ScheduleLimits limits = ScheduleLimits::forWorkers(c.workers, 1 << 20);
        EXPECT_EQ(describe(nextStep(state, limits)), QString::fromLatin1(c.expected)) << c.rule;
    }
}

TEST(BatchSchedule, LimitsFollowTheWorkers) {
    struct Case {
        int workers;
        std::size_t ordered, lookahead;
        bool reorder;
    };
    for (const Case& c : {Case{1, 2, 2, false}, Case{2, 3, 16, true}, Case{4, 5, 32, true}}) {
        const ScheduleLimits limits = ScheduleLimits::forWorkers(c.workers, 7);
        EXPECT_EQ(limits.ordered, c.ordered) << c.workers;
        EXPECT_EQ(limits.lookahead, c.lookahead) << c.workers;
        EXPECT_EQ(limits.reorder, c.reorder) << c.workers;
        EXPECT_EQ(limits.workers, c.workers);
        EXPECT_EQ(limits.budget, 7);
    }
}

TEST(BatchSchedule, MemoryBudget) {
    struct Case {
        const char* rule;
        const char* rows; // the last row is the one that would begin
        qint64 budget;
        bool fits;
        std::size_t committed = 0;
    } cases[] = {
        {"alone, a row larger than the budget runs", "M10 S500", 100, true},
        {"beside rows being prepared it must fit", "P100 S50", 120, false},
        {"up to the budget exactly", "P100 S50", 150, true},
        {"large rows being prepared count too", "P!100 S50", 120, false},
        {"rows started but waiting take nothing yet", "S100 S50", 60, true},
        {"results next in line for their commit count as in flight", "D100r100 S50", 120, false},
        {"so does a result being committed", "T100r100 S50", 120, false},
        {"beside them, up to the budget", "T30r30 D30r30 S50", 110, true},
        {"with rows being prepared", "D30r30 P30 S50", 100, false},
        {"a result behind a row not yet prepared is not next in line", "S10 D100r100 S50", 60,
         true},
        {"a committed row's result counts no more", "T100r100 S50", 60, true, 1},
    };
    for (const Case& c : cases) {
        ScheduleState state;
        state.rows = rows(c.rows);
        state.committed = c.committed;
        EXPECT_EQ(fitsBudget(state, ScheduleLimits::forWorkers(2, c.budget), state.rows.size() - 1),
                  c.fits)
            << c.rule;
    }
}

// A row's way through the run: measured, started far ahead with a reserve for its result,
// prepared, held until its commit.
TEST(BatchSchedule, AResultIsHeldFromItsStartFarAheadToItsCommit) {
    BatchSchedule schedule(rows("4*Wo8"), ScheduleLimits::forWorkers(2, 1 << 20));
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(describe(schedule.next()), QStringLiteral("measure %1").arg(i));
        schedule.measuring(i);
        schedule.measured(i, 13 - qint64(i), 20);
    }
    EXPECT_EQ(schedule.state().heldLimit, 13) << "the largest need measured";
    const auto held = [&] { return heldBytes(schedule.state(), ScheduleLimits::forWorkers(2, 0)); };
    schedule.start(3, false); // beyond the three next in order
    EXPECT_EQ(held(), 8);
    schedule.start(0, false);
    EXPECT_EQ(held(), 8);
    schedule.begin(3);
    EXPECT_TRUE(schedule.mayBegin(0));
    schedule.finish(3, 5);
    EXPECT_EQ(held(), 5);
    schedule.take(3);
    EXPECT_EQ(held(), 0);
    schedule.stop();
    EXPECT_EQ(describe(schedule.next()), QStringLiteral("end"));
}

// Ten rows whose results are far larger than their pictures: while the first row is prepared,
// only the rows up to one beyond the two workers start, and each commit lets one more start.
TEST(BatchSchedule, ResultsWaitingForTheirCommitHoldTheLookAheadBack) {
    BatchSchedule schedule(rows("10*Wo512"), ScheduleLimits::forWorkers(2, 1 << 30));
    for (std::size_t i = 0; i < 10; ++i) {
        schedule.measuring(i);
        schedule.measured(i, 1024, 1024);
    }
    // Every free worker's turn until none may start; each row but the first is done at once.
    const auto startAll = [&] {
        QStringList started;
        for (ScheduleStep step = schedule.next(); step.kind == ScheduleStep::Prepare;
             step = schedule.next()) {
            started << QString::number(step.row);
            schedule.start(step.row, step.large);
            schedule.begin(step.row);
            if (step.row != 0)
                schedule.finish(step.row, 1 << 20);
        }
        return started;
    };
    EXPECT_EQ(startAll(), QStringList({"0", "1", "2"}));
    schedule.finish(0, 100);
    schedule.take(0);
    schedule.committedUpTo(1);
    EXPECT_EQ(startAll(), QStringList({"3"}));
    for (std::size_t i = 1; i < 4; ++i)
        schedule.take(i);
    schedule.committedUpTo(4);
    EXPECT_EQ(startAll(), QStringList({"4", "5", "6"}));
}

} // namespace
} // namespace pix
