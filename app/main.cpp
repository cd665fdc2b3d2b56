// Pixovia's entry point: the command line, start-up, the job run and shutdown.
#include "app/commandline.h"
#include "app/consoleprompt.h"
#include "app/display.h"
#include "app/jobrun.h"
#include "app/messageboxprompt.h"
#include "app/shardoption.h"
#include "app/windowedprogram.h"
#include "platform/filelimits.h"
#include "settings/filtersettings.h"
#include "settings/settingsfile.h"

#include <QApplication>
#include <QGuiApplication>
#include <QProcessEnvironment>
#include <cstdio>
#include <memory>

namespace {

// Image readers report damaged files through Qt's warnings; the run reports them itself, in its
// output lines, so only serious messages reach standard error.
void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

QStringList argumentsOf(int argc, char** argv) {
    QStringList list;
    for (int i = 0; i < argc; ++i)
        list << QString::fromLocal8Bit(argv[i]);
    return list;
}

} // namespace

int main(int argc, char** argv) {
    const pix::CommandLine line = pix::parseCommandLine(argumentsOf(argc, argv));
    if (line.help) {
        std::fputs(pix::kUsageText, stdout);
        return 0;
    }
    if (line.version) {
        std::puts(pix::kVersionText);
        return 0;
    }
    QString shardError;
    const std::optional<pix::Shard> shard =
        pix::resolveShard(line, QProcessEnvironment::systemEnvironment(), shardError);
    if (!line.error.isEmpty() || !shardError.isEmpty()) {
        std::fprintf(stderr, "pixovia: %s\n",
                     (line.error.isEmpty() ? shardError : line.error).toLocal8Bit().constData());
        return 2;
    }
    // Other switches (Qt's own among them) do not change what is run.
    for (const QString& unknown : line.unknownSwitches)
        std::fprintf(stderr, "pixovia: ignoring option %s\n", unknown.toLocal8Bit().constData());
    if (line.jobFile.isEmpty())
        return pix::RunWindowedProgram(argc, argv);

    // Writing past a file-size limit fails that row like a full disk; the run goes on.
    pix::surviveFileSizeLimit();
    const bool console = line.console || !pix::displayAvailable();
    if (console && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen"); // fonts for metafile text, no display needed
    qInstallMessageHandler(quietMessages);
    std::unique_ptr<QGuiApplication> app;
    if (console)
        app = std::make_unique<QGuiApplication>(argc, argv);
    else
        app = std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setOrganizationName("Norvance");
    QCoreApplication::setApplicationName("Pixovia");

    pix::LoadFilterSettings();
    if (const QString note = pix::SettingsFileNote(); !note.isEmpty())
        std::fprintf(stderr, "pixovia: %s\n", note.toLocal8Bit().constData());
    std::unique_ptr<pix::UserPrompt> prompt;
    if (console)
        prompt = std::make_unique<pix::ConsolePrompt>();
    else
        prompt = std::make_unique<pix::MessageBoxPrompt>();
    pix::PrintingOutputLog log;
    const int status = pix::RunJobFile(line.jobFile, *prompt, log, {shard, line.dryRun});
    pix::SaveFilterSettings();
    return status;
}
