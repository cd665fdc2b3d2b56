#include "app/commandline.h"

namespace pix {

const char* const kVersionText = "Pixovia Version 1.0";

const char* const kUsageText =
    "Usage: pixovia [--console] [JOBFILE]\n"
    "\n"
    "Pixovia converts pictures in batches. Started with an XML job file, it converts every\n"
    "picture the job names and ends without showing a window.\n"
    "\n"
    "  --console   run the job without a display: result lines on standard output,\n"
    "              messages on standard error, questions on the terminal\n"
    "  --help      show this text and exit\n"
    "  --version   show the version and exit\n"
    "\n"
    "Every picture saved or not saved gives one line on standard output:\n"
    "  The file has been saved to PATH successfully.\n"
    "  Unable to save the file - PATH.\n"
    "Notes on standard error, each starting with \"pixovia: \", say why a picture was not\n"
    "saved (the source and the reason), which entries of the job file added nothing and\n"
    "why, which values were not understood, and which pictures were written to the same\n"
    "file. Control characters in names are printed as escapes (\\n, \\t, \\x1b).\n"
    "\n"
    "Exit status:\n"
    "  0  the job loaded, every entry added its pictures and every picture was saved\n"
    "  1  otherwise: the job file could not be loaded, an entry added nothing, a picture\n"
    "     was not saved (failed, or not replaced when asked), or two pictures were\n"
    "     written to one file\n"
    "  2  a wrong command line\n";

CommandLine parseCommandLine(const QStringList& arguments) {
    CommandLine line;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (!arg.startsWith(u'-') || arg == QLatin1String("-")) {
            if (line.jobFile.isEmpty())
                line.jobFile = arg;
        } else if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            line.help = true;
        } else if (arg == QLatin1String("--version")) {
            line.version = true;
        } else if (arg == QLatin1String("--console")) {
            line.console = true;
        } else {
            line.unknownSwitches << arg;
        }
    }
    return line;
}

} // namespace pix
