#include "app/jobrun.h"

#include "app/consoletext.h"
#include "jobfile/jobfileloader.h"
#include "jobs/batchrun.h"
#include "jobs/joblist.h"

#include <QEventLoop>
#include <cstdio>

namespace pix {

void PrintingOutputLog::AddOutputLine(const QString& text, const std::optional<QString>& path) {
    if (text.isEmpty())
        return;
    std::fprintf(stdout, "%s\n", consoleText(text).constData());
    std::fflush(stdout);
    OutputLog::AddOutputLine(text, path);
}

int RunJobFile(const QString& jobFile, UserPrompt& prompt, OutputLineSink& sink) {
    JobList list(&prompt);
    bool complete = true; // every entry added what it named and every row converted
    JobFileOptions options;
    options.note = [&](const JobFileNote& note) {
        printNote(note.text);
        complete = complete && !note.failure;
    };
    const bool loaded = LoadJobFile(jobFile, list, &prompt, options);

    // The same run the window starts, here waited for in a local event loop. Each failed row
    // gets a note beside its result line: the source and why.
    BatchRun run(list, {&prompt, nullptr, &sink});
    QObject::connect(&run, &BatchRun::rowFinished, [](int, const RowResult& result) {
        if (result.outcome == RowResult::Outcome::Failed)
            printNote(result.sourcePath + QStringLiteral(": ") + result.reason);
    });
    run.start();
    // Several rows writing one file leave fewer files than rows: each clash is said, once the
    // rows are known and before any is written.
    for (const BatchRun::OutputClash& clash : run.outputClashes()) {
        printNote(QStringLiteral("%1 and %2 are both written to %3")
                      .arg(clash.firstSource, clash.secondSource, clash.outputPath));
        complete = false;
    }
    if (run.isRunning()) {
        QEventLoop loop;
        QObject::connect(&run, &BatchRun::finished, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return loaded && complete && list.rowCount() == 0 ? 0 : 1;
}

} // namespace pix
