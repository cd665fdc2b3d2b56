#include "jobfile/jobfileread.h"

#include "jobfile/jobfilemessages.h"

#include <QFile>
#include <QFileInfo>

namespace pix {

namespace {

// File error descriptions are cut to this length, so that an odd reason cannot flood the box.
constexpr qsizetype kMaxReasonLength = 499;

void reportUnopenable(UserPrompt* prompt, const QString& reason) {
    showJobFileError(
        prompt,
        QStringLiteral("Unable to open the XML file - %1.").arg(reason.left(kMaxReasonLength)));
}

// Why the path cannot be read as a job file before opening it, or an empty text. Only regular
// files are opened: a FIFO or a device could block the open or never end.
QString refusalReason(const QFileInfo& info) {
    if (info.isDir())
        return QStringLiteral("Is a directory");
    if (!info.isFile())
        return QStringLiteral("Not a regular file");
    if (info.size() > kMaxJobFileBytes)
        return QStringLiteral("The file is larger than 32 MB");
    return QString();
}

// Reads to the end in blocks, never holding much more than the limit: the size measured before
// may be stale, and some system files report none at all. One byte beyond the limit tells a
// file that grew too large.
void readAtMost(QFile& file, QByteArray& bytes) {
    constexpr qint64 kBlock = 64 * 1024;
    bytes.clear();
    while (bytes.size() <= kMaxJobFileBytes) {
        const QByteArray block = file.read(kBlock);
        if (block.isEmpty())
            return; // the end, or an error the caller sees in the file's state
        bytes += block;
    }
}

} // namespace

bool readJobFile(const QString& path, QByteArray& bytes, UserPrompt* prompt) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) {
        showJobFileError(prompt, QStringLiteral("Unable to load the XML file."));
        return false;
    }
    if (const QString reason = refusalReason(info); !reason.isEmpty()) {
        reportUnopenable(prompt, reason);
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        reportUnopenable(prompt, file.errorString());
        return false;
    }
    readAtMost(file, bytes);
    if (file.error() != QFileDevice::NoError) {
        reportUnopenable(prompt, file.errorString());
        return false;
    }
    if (bytes.size() > kMaxJobFileBytes) {
        reportUnopenable(prompt, QStringLiteral("The file is larger than 32 MB"));
        return false;
    }
    return true;
}

} // namespace pix
