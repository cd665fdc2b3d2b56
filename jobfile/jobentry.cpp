#include "jobfile/jobentry.h"

#include "jobfile/entryattributes.h"
#include "jobfile/folderpictures.h"
#include "jobfile/picturesize.h"
#include "jobs/joblist.h"
#include "jobs/quarterturn.h"

#include <QFileInfo>
#include <memory>

namespace pix {

namespace {

void addImageEntry(JobList& list, const JobItem& read) {
    const QString& name = read.output.fileName;
    const QString path = joinPath(read.source.folder, name);
    // Without a name the path is the folder itself, which is no picture.
    if (name.isEmpty() || !QFileInfo::exists(path))
        return;
    auto item = std::make_unique<JobItem>(read);
    if (item->output.width == 0 || item->output.height == 0)
        MeasurePicture(path, *item);
    if (item->output.width <= 0 || item->output.height <= 0)
        return;
    ExchangeSidesForTurn(item->output);
    list.AppendItem(std::move(item), name);
}

void addFolderEntry(JobList& list, const EntrySettings& entry, FolderBudget& budget) {
    std::int32_t counter = entry.item.output.startNumber;
    AddFolderPictures(list, entry.item.source.folder, entry.item, counter, entry.filter, budget);
}

} // namespace

void AddJobEntry(JobList& list, const pugi::xml_node& element, bool isImage, FolderBudget& budget) {
    if (!element.first_attribute())
        return;
    const EntrySettings entry = readEntryAttributes(element);
    if (isImage)
        addImageEntry(list, entry.item);
    else
        addFolderEntry(list, entry, budget);
}

} // namespace pix
