#include "platform/filesearch.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>
#if defined(Q_OS_UNIX)
#include <dirent.h>
#include <sys/stat.h>
#endif

namespace pix {

namespace {

constexpr uint kAnyRun = '*';
constexpr uint kAnyOne = '?';

QList<uint> foldedCodePoints(const QString& text) {
    QList<uint> points = text.normalized(QString::NormalizationForm_C).toUcs4();
    for (uint& point : points)
        point = QChar::toCaseFolded(char32_t(point));
    return points;
}

// Greedy matching that backtracks only to the latest "*": when a later "*" matches, the text
// before it never needs to be matched differently, so earlier stars need no revisiting.
bool matchFolded(const QList<uint>& pattern, const QList<uint>& name) {
    qsizetype p = 0;
    qsizetype n = 0;
    qsizetype starAt = -1; // pattern position just after the latest "*"
    qsizetype starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == kAnyRun) {
            starAt = ++p;
            starName = n;
        } else if (p < pattern.size() && (pattern[p] == kAnyOne || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (starAt >= 0) {
            p = starAt; // let the latest "*" take one more character
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == kAnyRun)
        ++p;
    return p == pattern.size();
}

QDir::Filters dirFilters(Entries what) {
    QDir::Filters filters = QDir::Hidden | QDir::NoDotAndDotDot;
    if (what.testFlag(Entry::Files))
        filters |= QDir::Files;
    if (what.testFlag(Entry::Folders))
        filters |= QDir::Dirs;
    if (what.testFlag(Entry::NoLinks))
        filters |= QDir::NoSymLinks;
    return filters;
}

} // namespace

WildcardPattern::WildcardPattern(const QString& pattern)
    : pattern_(foldedCodePoints(pattern)), matchAll_(pattern == QLatin1String("*.*")) {}

bool WildcardPattern::matches(const QString& name) const {
    return matchAll_ || matchFolded(pattern_, foldedCodePoints(name));
}

bool wildcardMatch(const QString& pattern, const QString& name) {
    return WildcardPattern(pattern).matches(name);
}

bool nameLess(const QString& a, const QString& b) {
    const int folded = QString::compare(a, b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : QString::compare(a, b, Qt::CaseSensitive) < 0;
}

std::vector<QStringList> listFolderByPatterns(const QString& folder, const QStringList& patterns,
                                              Entries what) {
    std::vector<QStringList> lists(std::size_t(patterns.size()));
    if (folder.isEmpty() || !what || patterns.isEmpty())
        return lists;
    const QStringList entries = QDir(folder).entryList(dirFilters(what), QDir::Unsorted);
    for (qsizetype i = 0; i < patterns.size(); ++i) {
        const WildcardPattern matcher(patterns[i]);
        QStringList& names = lists[std::size_t(i)];
        std::copy_if(entries.cbegin(), entries.cend(), std::back_inserter(names),
                     [&matcher](const QString& name) { return matcher.matches(name); });
        std::sort(names.begin(), names.end(), nameLess);
    }
    return lists;
}

QStringList listFolder(const QString& folder, const QString& pattern, Entries what) {
    return listFolderByPatterns(folder, {pattern}, what).front();
}

QString joinPath(const QString& folder, const QString& name) {
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

namespace {
QString folderOrCurrent(const QString& folder) {
    return folder.isEmpty() ? QStringLiteral(".") : folder;
}
} // namespace

std::optional<FolderIdentity> folderIdentity(const QString& folder) {
#if defined(Q_OS_UNIX)
    struct stat status {};
    if (::stat(QFile::encodeName(folder).constData(), &status) != 0 || !S_ISDIR(status.st_mode))
        return std::nullopt;
    return FolderIdentity{quint64(status.st_dev), quint64(status.st_ino)};
#else
    // Elsewhere the resolved path stands in for the identity.
    const QString real = QFileInfo(folder).canonicalFilePath();
    if (real.isEmpty())
        return std::nullopt;
    return FolderIdentity{0, qHash(real.toCaseFolded())};
#endif
}

QList<UndecodableName> undecodableNames(const QString& folder) {
    QList<UndecodableName> found;
#if defined(Q_OS_UNIX)
    DIR* dir = ::opendir(QFile::encodeName(folderOrCurrent(folder)).constData());
    if (!dir)
        return found;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray raw(entry->d_name);
        QStringDecoder decoder(QStringDecoder::Utf8);
        const QString replaced = decoder.decode(raw);
        if (!decoder.hasError())
            continue;
        QString shown;
        for (const char byte : raw) {
            if (uchar(byte) < 0x80)
                shown += QLatin1Char(byte);
            else
                shown += QStringLiteral("\\x%1").arg(uint(uchar(byte)), 2, 16, QLatin1Char('0'));
        }
        found.append({replaced, shown});
    }
    ::closedir(dir);
#else
    Q_UNUSED(folder);
#endif
    return found;
}

} // namespace pix
