// What one run did, counted row by row, and the line that sums it up at its end.
#pragma once

#include "jobs/conversion.h"

#include <QString>

namespace pix {

class RunTally {
public:
    void add(const RowResult& result);
    int handled() const { return converted_ + failed_ + declined_; }

    // "15 converted, 2 failed, 1 not replaced" (the counts of none left out, but for the
    // converted ones); a run that ended before its last row, after a Stop, says so first:
    // "stopped after 6 of 17: 5 converted, 1 failed".
    QString summary(int total) const;

private:
    int converted_ = 0;
    int failed_ = 0;
    int declined_ = 0;
};

} // namespace pix
