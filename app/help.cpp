#include "app/help.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace pix {

QStringList helpCandidates(const QString& programDir) {
    const QDir dir(programDir);
    QStringList files{
        dir.filePath(QStringLiteral("help/pixovia.chm")),
        QDir::cleanPath(dir.filePath(QStringLiteral("../share/pixovia/help/guide.html"))),
    };
#ifdef PIXOVIA_SOURCE_GUIDE
    files << QStringLiteral(PIXOVIA_SOURCE_GUIDE);
#endif
    return files;
}

bool desktopHandles(const QString& mimeType) {
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"), mimeType});
    if (!query.waitForFinished(2000)) {
        query.kill();
        query.waitForFinished(500);
        return false;
    }
    return query.exitCode() == 0 && !query.readAllStandardOutput().trimmed().isEmpty();
}

bool ShowHelp(const QString& programDir, const std::function<bool(const QUrl&)>& open) {
    if (!open)
        return false;
    for (const QString& file : helpCandidates(programDir)) {
        // A blank in the folder stays part of the path: the URL carries it encoded.
        if (QFileInfo(file).isFile() && open(QUrl::fromLocalFile(file)))
            return true;
    }
    return false;
}

HelpOutcome OpenHelpTopics(const QString& programDir,
                           const std::function<bool(const QString& mimeType)>& handles,
                           const std::function<bool(const QUrl&)>& open) {
    HelpOutcome outcome;
    for (const QString& file : helpCandidates(programDir)) {
        if (!QFileInfo(file).isFile())
            continue;
        const bool compiled = file.endsWith(QLatin1String(".chm"), Qt::CaseInsensitive);
        const QString type =
            compiled ? QStringLiteral("application/vnd.ms-htmlhelp") : QStringLiteral("text/html");
        const bool viewer = !handles || handles(type);
        if (compiled && !viewer)
            continue; // the guide may still open
        outcome.guide = file;
        outcome.opened = viewer && open && open(QUrl::fromLocalFile(file));
        if (outcome.opened || !compiled)
            return outcome;
    }
    return outcome;
}

QString HelpFailureMessage(const HelpOutcome& outcome, const QString& programDir) {
    if (!outcome.guide.isEmpty())
        return QStringLiteral("The guide could not be opened: no program on this desktop is set "
                              "up to show web pages.\n\nThe guide is the file %1")
            .arg(QDir::toNativeSeparators(outcome.guide));
    QStringList places;
    for (const QString& file : helpCandidates(programDir))
        places << QDir::toNativeSeparators(file);
    return QStringLiteral("The guide was not found. It was looked for as:\n%1")
        .arg(places.join(u'\n'));
}

QString FolderNotOpenedMessage(const QString& folder) {
    return QStringLiteral("The folder could not be opened: no file manager is set up on this "
                          "desktop.\n\nThe folder is %1")
        .arg(QDir::toNativeSeparators(folder));
}

} // namespace pix
