#include "app/jobrun.h"

#include "app/consoletext.h"
#include "jobfile/jobfileloader.h"
#include "jobs/batchrun.h"
#include "jobs/joblist.h"
#include "jobs/outputnaming.h"
#include "jobs/shardplan.h"
#include "platform/filesearch.h"
#include "settings/presets.h"

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

namespace {

// Keeps only this shard's rows.
void keepShard(JobList& list, const Shard& shard) {
    const std::vector<int> mine = ShardRows(list, shard.index, shard.count);
    std::vector<int> others;
    std::size_t next = 0;
    for (int row = 0; row < list.rowCount(); ++row) {
        if (next < mine.size() && mine[next] == row)
            ++next;
        else
            others.push_back(row);
    }
    list.RemoveRows(others);
}

void printRows(const JobList& list) {
    for (int row = 0; row < list.rowCount(); ++row) {
        const JobItem* item = list.itemAt(row);
        std::fprintf(stdout, "%s\t%s\n",
                     consoleText(joinPath(item->source.folder, list.rowName(row))).constData(),
                     consoleText(BuildOutputPath(*item, list.rowName(row))).constData());
    }
    std::fflush(stdout);
}

} // namespace

int RunJobFile(const QString& jobFile, UserPrompt& prompt, OutputLineSink& sink,
               const JobRunOptions& runOptions) {
    JobList list(&prompt);
    bool complete = true; // every entry added what it named and every row converted
    // The entries are the whole job's: with shards, the first one alone speaks of them, so
    // that the shards together say what one whole run says.
    const bool speaksForEntries = !runOptions.shard || runOptions.shard->index == 0;
    JobFileOptions options;
    options.note = [&](const JobFileNote& note) {
        if (!speaksForEntries)
            return;
        printNote(note.text);
        complete = complete && !note.failure;
    };
    options.presets = [](const QString& name, QString* why) {
        return PresetStore().find(name, why);
    };
    const bool loaded = LoadJobFile(jobFile, list, &prompt, options);
    if (runOptions.shard)
        keepShard(list, *runOptions.shard);
    if (runOptions.dryRun) {
        printRows(list);
        return loaded && complete ? 0 : 1;
    }

    // The same run the window starts, here waited for in a local event loop. Each failed row
    // gets a note beside its result line: the source and why; so does a row converted from a
    // damaged source, which still counts as converted.
    BatchRun run(list, {&prompt, nullptr, &sink});
    QObject::connect(&run, &BatchRun::rowFinished, [](int, const RowResult& result) {
        if (const QString note = RowResultNote(result); !note.isEmpty())
            printNote(note);
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
