#include "jobfile/folderpictures.h"

#include "browser/common/formatting.h"
#include "jobfile/folderwalk.h"
#include "jobfile/jobload.h"
#include "jobfile/picturesize.h"
#include "jobs/joblist.h"
#include "jobs/quarterturn.h"
#include "platform/filesearch.h"

#include <QFileInfo>
#include <algorithm>
#include <limits>
#include <memory>
#include <vector>

namespace pix {

namespace {

// The folder's path below the entry's folder, "/"-separated; empty for the entry's own.
QString relativeTo(const QString& entryFolder, const QString& folder) {
    if (folder.size() <= entryFolder.size())
        return {};
    return folder.mid(entryFolder.size()).section(u'/', 0, -1, QString::SectionSkipEmpty);
}

std::unique_ptr<JobItem> makeFolderItem(const QString& folder, const QString& name,
                                        const JobItem& templ, std::int32_t& counter,
                                        JobLoad& load) {
    auto item = std::make_unique<JobItem>();
    item->source.fileName = name;
    item->source.folder = folder;
    JobOutput& output = item->output;
    const JobOutput& given = templ.output;
    output.fileName = name;
    // Pictures of subfolders meet in the entry's output folder, unless it keeps the folders.
    output.folder = given.folder;
    output.keepFolders = given.keepFolders;
    output.relativeFolder = relativeTo(templ.source.folder, folder);
    output.formatCode = given.formatCode;
    output.overwrite = given.overwrite;
    output.rotate = given.rotate;
    output.quality = given.quality;
    output.mirror = given.mirror;
    output.resize = given.resize;
    // A size is taken only when both sides are given; otherwise the picture's own size counts.
    if (given.width != 0 && given.height != 0) {
        output.width = given.width;
        output.height = given.height;
    }
    if (NeedsOwnSize(output)) {
        QString note;
        MeasurePicture(joinPath(folder, name), *item, nullptr, &note);
        if (!note.isEmpty())
            load.warning(imageEntryName(joinPath(folder, name)) + QStringLiteral(": ") + note);
    }
    ApplyResizeRule(*item);
    if (!given.prefix.isEmpty()) {
        output.prefix = given.prefix;
        output.startNumber = counter;
        if (counter < std::numeric_limits<std::int32_t>::max())
            ++counter; // the last number repeats rather than wrapping to negative ones
    }
    ExchangeSidesForTurn(output);
    return item;
}

struct Pattern {
    QString text;
    WildcardPattern matcher;
    bool matched = false;
};

// Files whose names are not valid UTF-8 cannot be named to open them: each one a pattern
// matches is skipped with a note.
void noteUndecodableNames(const QString& folder, const std::vector<Pattern>& patterns,
                          JobLoad& load) {
    for (const UndecodableName& name : undecodableNames(folderOnDisk(folder))) {
        const bool wanted = std::any_of(patterns.begin(), patterns.end(), [&](const Pattern& p) {
            return p.matcher.matches(name.replaced);
        });
        if (wanted)
            load.failure(folderEntryName(folder) +
                         QStringLiteral(": skipped a file whose name is not valid UTF-8: "
                                        "\"%1\"")
                             .arg(name.shown));
    }
}

void addMatches(JobList& list, const QString& folder, std::vector<Pattern>& patterns,
                const JobItem& templ, std::int32_t& counter, JobLoad& load) {
    QStringList texts;
    for (const Pattern& pattern : patterns)
        texts << pattern.text;
    const std::vector<QStringList> matches =
        listFolderByPatterns(folderOnDisk(folder), texts, Entry::Files | Entry::Folders);
    noteUndecodableNames(folder, patterns, load);
    for (std::size_t i = 0; i < patterns.size(); ++i) {
        for (const QString& name : matches[i]) {
            patterns[i].matched = true;
            list.AppendItem(makeFolderItem(folder, name, templ, counter, load), name);
        }
    }
}

bool hasOuterBlank(const QString& text) {
    return !text.isEmpty() && (text.front().isSpace() || text.back().isSpace());
}

} // namespace

void AddFolderPictures(JobList& list, const QString& folder, const JobItem& templ,
                       std::int32_t& counter, const QString& filter, JobLoad& load) {
    const QString entry = folderEntryName(folder);
    QStringList texts;
    if (!ParseFilterList(filter, &texts)) {
        // Nothing can match, so the folders need not be searched at all.
        load.failure(entry + QStringLiteral(": no pattern in its filter, so no file can match"));
        return;
    }
    const QFileInfo root(folderOnDisk(folder));
    if (!root.isDir()) {
        load.failure(entry + QStringLiteral(": the folder does not exist"));
        return;
    }
    if (!root.isReadable() || !root.isExecutable()) {
        load.failure(entry + QStringLiteral(": the folder cannot be read"));
        return;
    }
    std::vector<Pattern> patterns;
    for (const QString& text : texts)
        patterns.push_back({text, WildcardPattern(text)});
    walkFolders(
        folder, templ.output.includeSubfolders != 0, load.budget,
        [&](const QString& found) { addMatches(list, found, patterns, templ, counter, load); });
    for (const Pattern& pattern : patterns) {
        if (!pattern.matched && hasOuterBlank(pattern.text))
            load.failure(entry + QStringLiteral(": the pattern \"%1\" begins or ends with a "
                                                "blank, so it matches only names that do, and "
                                                "none did")
                                     .arg(pattern.text));
    }
}

} // namespace pix
