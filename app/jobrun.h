// The job run: load a job file, convert every row, report, end.
#pragma once

#include "jobs/outputlog.h"
#include "jobs/userprompt.h"

namespace pix {

// Prints every output-log line to standard output as it is written, and keeps them.
class PrintingOutputLog : public OutputLog {
public:
    void AddOutputLine(const QString& text, const std::optional<QString>& path) override;
};

// Loads the job file into a new job list and converts all its rows. The exit status: 0 when the
// file loaded and every row was converted, 1 otherwise.
int RunJobFile(const QString& jobFile, UserPrompt& prompt, OutputLineSink& sink);

} // namespace pix
