// The job run: load a job file, convert every row, report, end.
#pragma once

#include "app/shardoption.h"
#include "jobs/outputlog.h"
#include "jobs/userprompt.h"

namespace pix {

// Prints every output-log line to standard output as it is written, and keeps them.
class PrintingOutputLog : public OutputLog {
public:
    void AddOutputLine(const QString& text, const std::optional<QString>& path) override;
};

struct JobRunOptions {
    std::optional<Shard> shard; // none: the whole job
    bool dryRun = false;        // print the rows (source, tab, output), convert nothing
};

// Loads the job file into a new job list and converts its rows (this shard's, with a shard).
// The exit status: 0 when the file loaded, every entry added what it names and every row was
// converted, 1 otherwise. Notes on standard error say what went wrong and why.
int RunJobFile(const QString& jobFile, UserPrompt& prompt, OutputLineSink& sink,
               const JobRunOptions& options = {});

} // namespace pix
