// The program's command line.
#pragma once

#include <QString>
#include <QStringList>

namespace pix {

struct CommandLine {
    QString jobFile; // the first argument that is not a switch; empty when none
    bool console = false;
    bool help = false;
    bool version = false;
    bool dryRun = false; // --dry-run: print the rows, convert nothing
    QString shard;       // --shard K/N or --shard auto
    QString shardCount;  // --shard-count N (with --shard auto)
    QString error;       // a switch without its value
    QStringList unknownSwitches;
};

// Only arguments that start with "-" are switches ("/" starts an absolute path); --shard and
// --shard-count take the next argument (or "=value") as their value. Arguments after the job
// file have no effect.
CommandLine parseCommandLine(const QStringList& arguments);

extern const char* const kUsageText;
extern const char* const kVersionText;

} // namespace pix
