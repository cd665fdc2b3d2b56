// Which row of a batch run a free worker takes next: the policy of the run's workers as plain
// data and functions, with no threads, so that every rule can be checked case by case.
//
// Rows are taken in row order, except that the workers look ahead up to eight rows a worker and
// tell large rows from small ones: a row expected to take at least twice as long as the
// smallest waiting one is large. One large row is prepared at a time, the nearest first, while
// the other workers go on with the small rows in row order; only when no small row is left to
// start does a large row start beside another. So a few large pictures among small ones neither
// run alone at the end of the list nor are decoded side by side while small rows wait. A row's
// expected work is the memory its decode takes (from the headers, at the scale it decodes at)
// plus the size of its file; both grow with the time it takes. The rows up to `workers + 1`
// beyond the last commit may always start; a row further on starts only when the prepared
// results waiting for their commit, with its own output picture, stay within the largest
// picture seen, so that memory holds about one picture a worker and one more however long the
// list. A started row begins its work when it fits the memory budget beside the rows being
// prepared and the results next in row order, which the run's thread commits without waiting
// for any worker and so leave memory on their own; or when there are none of either. A row that
// reads an earlier row's output is not measured, nor started, before that row is committed. Every
// row of the look-ahead is weighed before one is chosen.
#pragma once

#include <QtGlobal>
#include <cstddef>
#include <vector>

namespace pix {

struct ScheduleLimits {
    std::size_t ordered = 1;   // rows beyond the last commit that may always start
    std::size_t lookahead = 1; // rows beyond the last commit that may start at all
    bool reorder = false;      // larger rows may start before smaller ones
    qint64 budget = 0;         // bytes the rows being prepared may take, with the results
                               // next in line for their commit
    int workers = 1;           // the run's workers

    // The limits of a run with this many workers. A single worker keeps to row order: it would
    // finish no sooner, and every row would be shown later.
    static ScheduleLimits forWorkers(int workers, qint64 budget);
};

// What the workers know of one row.
struct ScheduledRow {
    enum State {
        Waiting,   // not yet measured
        Measuring, // a worker reads its headers
        Measured,  // its need and work are known: it may start
        Started,   // taken by a worker, which waits for the memory it needs
        Preparing, // its memory is counted: the worker prepares it
        Done,      // its result waits for the commit
        Taken,     // handed to the commit
    };
    State state = Waiting;
    int waitsFor = -1;  // an earlier row whose output is this row's source
    qint64 output = 0;  // the bytes of its output picture
    qint64 need = 0;    // the bytes its pictures take while it is prepared
    qint64 work = 0;    // the expected work: need and the file's size; 0 when nothing is known
    qint64 reserve = 0; // held for its result while a row started far ahead is prepared
    qint64 result = 0;  // the bytes of its prepared result, until it is committed
    bool large = false; // started as a large row
};

struct ScheduleState {
    std::vector<ScheduledRow> rows;
    std::size_t committed = 0; // rows before this one are committed
    qint64 heldLimit = 0;      // the largest need measured so far
    bool stopping = false;     // the run ends: no row starts any more
};

struct ScheduleStep {
    enum Kind {
        Measure, // read the headers of `row`
        Prepare, // start `row`, as a large row when `large`
        Wait,    // nothing to do until a row is measured, prepared or committed
        End,     // every row is started, or the run stops: the worker ends
    };
    Kind kind = Wait;
    std::size_t row = 0;
    bool large = false;
    // The cores `row` may split its picture over (libheif's tiles, dav1d, libjxl, libaom): with
    // no other row left to start, those the rows in flight leave idle; else one.
    int cores = 1;

    friend bool operator==(const ScheduleStep&, const ScheduleStep&) = default;
};

// What a free worker does next.
ScheduleStep nextStep(const ScheduleState& state, const ScheduleLimits& limits);

// Whether a started row may begin its work now: it fits the budget beside the rows being
// prepared and the results next in line for their commit, or there are none of either (a row
// larger than the whole budget runs alone).
bool fitsBudget(const ScheduleState& state, const ScheduleLimits& limits, std::size_t row);

// The bytes of the prepared results waiting for their commit and of the reserves of the rows
// started far ahead.
qint64 heldBytes(const ScheduleState& state, const ScheduleLimits& limits);

// The state changes of a run, in the order a row goes through them.
class BatchSchedule {
public:
    BatchSchedule(std::vector<ScheduledRow> rows, ScheduleLimits limits);

    ScheduleStep next() const { return nextStep(state_, limits_); }
    bool mayBegin(std::size_t row) const { return fitsBudget(state_, limits_, row); }
    const ScheduleState& state() const { return state_; }
    const ScheduledRow& row(std::size_t index) const { return state_.rows[index]; }

    void measuring(std::size_t row);
    void measured(std::size_t row, qint64 need, qint64 work);
    // Taken by a worker; a row beyond the ordered ones reserves its output picture.
    void start(std::size_t row, bool large);
    void begin(std::size_t row);
    void finish(std::size_t row, qint64 resultBytes);
    void take(std::size_t row);
    // The rows before `row` are committed: the look-ahead moves on and rows reading their
    // outputs may start.
    void committedUpTo(std::size_t row);
    void stop() { state_.stopping = true; }

private:
    ScheduleState state_;
    ScheduleLimits limits_;
};

} // namespace pix
