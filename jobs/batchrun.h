// The "Start" command: converts every row of the job list in display order, logs each result
// and then removes the rows that were converted.
#pragma once

#include "jobs/conversion.h"

#include <functional>

namespace pix {

class JobList;

struct BatchOptions {
    // Conversions prepared at once on worker threads; 0 means one per core, 1 converts one row
    // at a time on the calling thread.
    int threads = 0;
    // Called on the calling thread after each row: rows handled, rows in all.
    std::function<void(int done, int total)> progress;
};

// Decoding, turning, drawing and encoding of the next rows run in parallel; the existence test
// of the source, the replace question, the writing of the file, the log line and the removal
// of converted rows happen on the calling thread in row order, exactly as a one-by-one run
// would do them. A row whose source is the output of an earlier row waits for that row.
void StartBatch(JobList& list, const ConversionContext& context, const BatchOptions& options = {});

} // namespace pix
