#include "jobs/batchschedule.h"

#include <algorithm>
#include <limits>
#include <optional>

namespace pix {

namespace {

using Row = ScheduledRow;

// The rows a worker may measure or start: from the last commit, as far as the look-ahead goes.
// Every row taken by a worker and not yet committed lies within it, since it only moves on.
std::size_t windowEnd(const ScheduleState& state, const ScheduleLimits& limits) {
    return std::min(state.rows.size(), state.committed + limits.lookahead);
}

bool startable(const ScheduleState& state, std::size_t index) {
    const int waitsFor = state.rows[index].waitsFor;
    return waitsFor < 0 || std::size_t(waitsFor) < state.committed;
}

bool inFlight(const Row& row) {
    return row.state == Row::Started || row.state == Row::Preparing;
}

bool everyRowStarted(const ScheduleState& state, std::size_t end) {
    if (end < state.rows.size())
        return false;
    for (std::size_t i = state.committed; i < end; ++i) {
        if (state.rows[i].state < Row::Started)
            return false;
    }
    return true;
}

// The first row of the look-ahead not yet measured. A row reading an earlier row's output is
// measured once that output is written.
// None when every row that may start is measured.
std::optional<ScheduleStep> measureStep(const ScheduleState& state, std::size_t end) {
    for (std::size_t i = state.committed; i < end; ++i) {
        if (state.rows[i].state == Row::Waiting && startable(state, i))
            return ScheduleStep{ScheduleStep::Measure, i};
    }
    for (std::size_t i = state.committed; i < end; ++i) {
        if (state.rows[i].state == Row::Measuring)
            return ScheduleStep{}; // every row of the look-ahead is weighed before one is chosen
    }
    return std::nullopt;
}

// The row to start: the nearest large row when none is being prepared, else the first small
// one; the first row when all are alike or the rows keep their order.
ScheduleStep pick(const ScheduleState& state, const ScheduleLimits& limits, std::size_t end) {
    const std::size_t orderedEnd = state.committed + limits.ordered;
    const qint64 held = heldBytes(state, limits);
    std::vector<std::size_t> candidates;
    qint64 smallest = std::numeric_limits<qint64>::max();
    int largeInFlight = 0;
    for (std::size_t i = state.committed; i < end; ++i) {
        const Row& row = state.rows[i];
        largeInFlight += inFlight(row) && row.large;
        if (row.state != Row::Measured) // a row is measured once it may start
            continue;
        if (i >= orderedEnd && held + row.output > state.heldLimit)
            continue;
        candidates.push_back(i);
        if (row.work > 0) // nothing known: it fails at once
            smallest = std::min(smallest, row.work);
    }
    if (candidates.empty())
        return {};
    const auto isLarge = [&](std::size_t i) { return state.rows[i].work / 2 >= smallest; };
    if (limits.reorder) {
        const bool wantLarge = largeInFlight == 0;
        for (const std::size_t i : candidates) {
            if (isLarge(i) == wantLarge)
                return {ScheduleStep::Prepare, i, wantLarge};
        }
    }
    return {ScheduleStep::Prepare, candidates.front(), isLarge(candidates.front())};
}

// The cores of the row chosen to start: one while another row is left to start, else the
// workers no row in flight keeps busy.
int coresFor(const ScheduleState& state, const ScheduleLimits& limits, std::size_t chosen) {
    int busy = 0;
    for (std::size_t i = state.committed; i < state.rows.size(); ++i) {
        const Row& row = state.rows[i];
        if (i != chosen && row.state < Row::Started)
            return 1;
        busy += inFlight(row);
    }
    return std::max(1, limits.workers - busy);
}

// The bytes of the prepared results next in row order, being committed or to be committed by
// the run's thread without waiting for any worker.
qint64 committableBytes(const ScheduleState& state) {
    qint64 bytes = 0;
    for (std::size_t i = state.committed;
         i < state.rows.size() &&
         (state.rows[i].state == Row::Done || state.rows[i].state == Row::Taken);
         ++i)
        bytes += state.rows[i].result;
    return bytes;
}

} // namespace

ScheduleLimits ScheduleLimits::forWorkers(int workers, qint64 budget) {
    ScheduleLimits limits;
    limits.ordered = std::size_t(std::max(workers, 1)) + 1;
    limits.reorder = workers > 1;
    limits.lookahead = limits.reorder ? std::size_t(workers) * 8 : limits.ordered;
    limits.budget = budget;
    limits.workers = std::max(workers, 1);
    return limits;
}

ScheduleStep nextStep(const ScheduleState& state, const ScheduleLimits& limits) {
    const std::size_t end = windowEnd(state, limits);
    if (state.stopping || everyRowStarted(state, end))
        return {ScheduleStep::End};
    if (const std::optional<ScheduleStep> step = measureStep(state, end))
        return *step;
    ScheduleStep step = pick(state, limits, end);
    if (step.kind == ScheduleStep::Prepare)
        step.cores = coresFor(state, limits, step.row);
    return step;
}

bool fitsBudget(const ScheduleState& state, const ScheduleLimits& limits, std::size_t row) {
    qint64 inUse = 0;
    for (std::size_t i = state.committed; i < windowEnd(state, limits); ++i) {
        if (state.rows[i].state == Row::Preparing)
            inUse += state.rows[i].need;
    }
    const qint64 waiting = committableBytes(state);
    return (inUse == 0 && waiting == 0) || inUse + waiting + state.rows[row].need <= limits.budget;
}

qint64 heldBytes(const ScheduleState& state, const ScheduleLimits& limits) {
    qint64 held = 0;
    for (std::size_t i = state.committed; i < windowEnd(state, limits); ++i) {
        const Row& row = state.rows[i];
        held += inFlight(row) ? row.reserve : row.state == Row::Done ? row.result : 0;
    }
    return held;
}

BatchSchedule::BatchSchedule(std::vector<ScheduledRow> rows, ScheduleLimits limits)
    : limits_(limits) {
    state_.rows = std::move(rows);
}

void BatchSchedule::measuring(std::size_t row) {
    state_.rows[row].state = Row::Measuring;
}

void BatchSchedule::measured(std::size_t index, qint64 need, qint64 work) {
    Row& row = state_.rows[index];
    row.state = Row::Measured;
    row.need = need;
    row.work = work;
    state_.heldLimit = std::max(state_.heldLimit, need);
}

void BatchSchedule::start(std::size_t index, bool large) {
    Row& row = state_.rows[index];
    row.state = Row::Started;
    row.large = large;
    if (index >= state_.committed + limits_.ordered)
        row.reserve = row.output;
}

void BatchSchedule::begin(std::size_t row) {
    state_.rows[row].state = Row::Preparing;
}

void BatchSchedule::finish(std::size_t index, qint64 resultBytes) {
    Row& row = state_.rows[index];
    row.state = Row::Done;
    row.result = resultBytes;
}

void BatchSchedule::take(std::size_t index) {
    Row& row = state_.rows[index];
    row.state = Row::Taken; // its result is held until the commit
}

void BatchSchedule::committedUpTo(std::size_t row) {
    state_.committed = row;
}

} // namespace pix
