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

bool OpenHelpTopics(const QString& programDir,
                    const std::function<bool(const QString& mimeType)>& handles,
                    const std::function<bool(const QUrl&)>& open) {
    if (!open)
        return false;
    return ShowHelp(programDir, [&](const QUrl& url) {
        if (url.fileName().endsWith(QLatin1String(".chm"), Qt::CaseInsensitive) &&
            !(handles && handles(QStringLiteral("application/vnd.ms-htmlhelp"))))
            return false;
        return open(url);
    });
}

} // namespace pix
