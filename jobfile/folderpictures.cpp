#include "jobfile/folderpictures.h"

#include "browser/formatting.h"
#include "jobfile/folderwalk.h"
#include "jobfile/picturesize.h"
#include "jobs/joblist.h"
#include "jobs/quarterturn.h"
#include "platform/filesearch.h"

#include <limits>
#include <memory>
#include <vector>

namespace pix {

namespace {

std::unique_ptr<JobItem> makeFolderItem(const QString& folder, const QString& name,
                                        const JobItem& templ, std::int32_t& counter) {
    auto item = std::make_unique<JobItem>();
    item->source.fileName = name;
    item->source.folder = folder;
    JobOutput& output = item->output;
    const JobOutput& given = templ.output;
    output.fileName = name;
    output.folder = given.folder; // pictures of subfolders meet in the entry's output folder
    output.formatCode = given.formatCode;
    output.overwrite = given.overwrite;
    output.rotate = given.rotate;
    output.quality = given.quality;
    output.mirror = given.mirror;
    // A size is taken only when both sides are given; otherwise the picture's own size counts.
    if (given.width != 0 && given.height != 0) {
        output.width = given.width;
        output.height = given.height;
    } else {
        MeasurePicture(joinPath(folder, name), *item);
    }
    if (!given.prefix.isEmpty()) {
        output.prefix = given.prefix;
        output.startNumber = counter;
        if (counter < std::numeric_limits<std::int32_t>::max())
            ++counter; // the last number repeats rather than wrapping to negative ones
    }
    ExchangeSidesForTurn(output);
    return item;
}

void addMatches(JobList& list, const QString& folder, const std::vector<WildcardPattern>& patterns,
                const JobItem& templ, std::int32_t& counter) {
    const QStringList names =
        listFolder(folderOnDisk(folder), QStringLiteral("*"), Entry::Files | Entry::Folders);
    for (const WildcardPattern& pattern : patterns) {
        for (const QString& name : names) {
            if (pattern.matches(name))
                list.AppendItem(makeFolderItem(folder, name, templ, counter), name);
        }
    }
}

} // namespace

void AddFolderPictures(JobList& list, const QString& folder, const JobItem& templ,
                       std::int32_t& counter, const QString& filter, FolderBudget& budget) {
    QStringList texts;
    if (!ParseFilterList(filter, &texts))
        return; // nothing can match, so the folders need not be searched at all
    std::vector<WildcardPattern> patterns;
    for (const QString& text : texts)
        patterns.emplace_back(text);
    walkFolders(folder, templ.output.includeSubfolders != 0, budget,
                [&](const QString& found) { addMatches(list, found, patterns, templ, counter); });
}

} // namespace pix
