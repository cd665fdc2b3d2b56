#include "app/jobrun.h"

#include "jobfile/jobfileloader.h"
#include "jobs/batchrun.h"
#include "jobs/joblist.h"

#include <cstdio>

namespace pix {

void PrintingOutputLog::AddOutputLine(const QString& text, const std::optional<QString>& path) {
    if (text.isEmpty())
        return;
    std::fprintf(stdout, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stdout);
    OutputLog::AddOutputLine(text, path);
}

int RunJobFile(const QString& jobFile, UserPrompt& prompt, OutputLineSink& sink) {
    JobList list(&prompt);
    const bool loaded = LoadJobFile(jobFile, list, &prompt);
    // The same run the window starts, here waited for in a local event loop.
    BatchRun run(list, {&prompt, nullptr, &sink});
    run.runToCompletion();
    return loaded && list.rowCount() == 0 ? 0 : 1;
}

} // namespace pix
