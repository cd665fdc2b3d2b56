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
    QStringList unknownSwitches;
};

// Only arguments that start with "-" are switches ("/" starts an absolute path). Arguments after
// the job file have no effect.
CommandLine parseCommandLine(const QStringList& arguments);

extern const char* const kUsageText;
extern const char* const kVersionText;

} // namespace pix
