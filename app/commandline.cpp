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
    "Exit status: 0 when the job loaded and every picture was converted, 1 otherwise,\n"
    "2 for a wrong command line.\n";

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
