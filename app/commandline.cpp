#include "app/commandline.h"

namespace pix {

const char* const kVersionText = "Pixovia Version 1.0";

const char* const kUsageText =
    "Usage: pixovia [--console] [--shard K/N | --shard auto [--shard-count N]] [--dry-run]\n"
    "               [JOBFILE]\n"
    "\n"
    "Pixovia converts pictures in batches. Started with an XML job file, it converts every\n"
    "picture the job names and ends without showing a window.\n"
    "\n"
    "  --console   run the job without a display: result lines on standard output,\n"
    "              messages on standard error, questions on the terminal\n"
    "  --shard K/N convert only share K (0 to N-1) of the job's pictures: N runs with\n"
    "              K = 0 ... N-1, on one machine or many, together write exactly the\n"
    "              files one whole run writes, each once (see docs/scale-out.md)\n"
    "  --shard auto\n"
    "              take K and N from the scheduler: JOB_COMPLETION_INDEX (Kubernetes\n"
    "              Indexed Job) with N from --shard-count or PIXOVIA_SHARD_COUNT, or\n"
    "              SLURM_ARRAY_TASK_ID (an array from 0 to N-1) with N from\n"
    "              --shard-count or SLURM_ARRAY_TASK_COUNT\n"
    "  --shard-count N\n"
    "              the number of shards for --shard auto\n"
    "  --dry-run   print the pictures this run would convert, source and output path\n"
    "              separated by a tab, one a line, and convert nothing\n"
    "  --help      show this text and exit\n"
    "  --version   show the version and exit\n"
    "\n"
    "Every picture saved or not saved gives one line on standard output:\n"
    "  The file has been saved to PATH successfully.\n"
    "  Unable to save the file - PATH.\n"
    "Notes on standard error, each starting with \"pixovia: \", say why a picture was not\n"
    "saved (the source and the reason), which pictures were saved from a damaged file\n"
    "and what was wrong with it, which entries of the job file added nothing and why,\n"
    "which values were not understood, and which pictures were written to the same\n"
    "file. Control characters in names are printed as escapes (\\n, \\t, \\x1b).\n"
    "\n"
    "A picture is written to a temporary file in its output folder and renamed into\n"
    "place once complete. Where the file system cannot keep that file nameless, it is\n"
    "called .pixovia-XXXXXX (six letters and digits); one left behind by a run that was\n"
    "killed is an unfinished picture and can be deleted.\n"
    "\n"
    "Exit status:\n"
    "  0  the job loaded, every entry added its pictures and every picture was saved\n"
    "  1  otherwise: the job file could not be loaded, an entry added nothing, a picture\n"
    "     was not saved (failed, or not replaced when asked), or two pictures were\n"
    "     written to one file\n"
    "  2  a wrong command line (also a --shard value that cannot be used)\n"
    "With --shard, each shard's status counts its own pictures; notes about the job\n"
    "file's entries are printed, and counted, by shard 0 alone.\n";

namespace {

// A switch with a value, as "--name value" or "--name=value". True when arg is that switch.
bool takeValue(const QStringList& arguments, qsizetype& i, const QString& name, QString& value,
               QString& error) {
    const QString& arg = arguments[i];
    if (arg.startsWith(name + u'=')) {
        value = arg.mid(name.size() + 1);
        return true;
    }
    if (arg != name)
        return false;
    if (i + 1 >= arguments.size()) {
        error = QStringLiteral("%1 needs a value").arg(name);
        return true;
    }
    value = arguments[++i];
    return true;
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
    CommandLine line;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (takeValue(arguments, i, QStringLiteral("--shard"), line.shard, line.error) ||
            takeValue(arguments, i, QStringLiteral("--shard-count"), line.shardCount, line.error))
            continue;
        if (!arg.startsWith(u'-') || arg == QLatin1String("-")) {
            if (line.jobFile.isEmpty())
                line.jobFile = arg;
        } else if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            line.help = true;
        } else if (arg == QLatin1String("--version")) {
            line.version = true;
        } else if (arg == QLatin1String("--console")) {
            line.console = true;
        } else if (arg == QLatin1String("--dry-run")) {
            line.dryRun = true;
        } else {
            line.unknownSwitches << arg;
        }
    }
    return line;
}

} // namespace pix
