#include "jobfile/jobentry.h"

#include "jobfile/entryattributes.h"
#include "jobfile/folderpictures.h"
#include "jobfile/jobload.h"
#include "jobfile/picturesize.h"
#include "jobs/joblist.h"
#include "jobs/quarterturn.h"
#include "platform/filesearch.h"

#include <QFileInfo>
#include <memory>

namespace pix {

namespace {

void addImageEntry(JobList& list, const JobItem& read, JobLoad& load) {
    const QString& name = read.output.fileName;
    const QString path = joinPath(read.source.folder, name);
    const QString entry = imageEntryName(path);
    // Without a name the path is the folder itself, which is no picture.
    if (name.isEmpty()) {
        load.failure(entry + QStringLiteral(": no file name (attribute \"name\")"));
        return;
    }
    if (!QFileInfo::exists(path)) {
        load.failure(entry + QStringLiteral(": the file does not exist"));
        return;
    }
    auto item = std::make_unique<JobItem>(read);
    QString why, note;
    if (NeedsOwnSize(item->output) && !MeasurePicture(path, *item, &why, &note)) {
        load.failure(entry + QStringLiteral(": ") + why);
        return;
    }
    if (!note.isEmpty())
        load.warning(entry + QStringLiteral(": ") + note);
    ApplyResizeRule(*item);
    if (item->output.width <= 0 || item->output.height <= 0) {
        load.failure(entry + QStringLiteral(": the size %1 x %2 is not above 0")
                                 .arg(item->output.width)
                                 .arg(item->output.height));
        return;
    }
    ExchangeSidesForTurn(item->output);
    list.AppendItem(std::move(item), name);
}

void addFolderEntry(JobList& list, const EntrySettings& entry, JobLoad& load) {
    std::int32_t counter = entry.item.output.startNumber;
    AddFolderPictures(list, entry.item.source.folder, entry.item, counter, entry.filter, load);
}

} // namespace

void AddJobEntry(JobList& list, const pugi::xml_node& element, bool isImage, JobLoad& load) {
    if (!element.first_attribute())
        return;
    EntrySettings entry = readEntryAttributes(element);
    const QString name =
        isImage ? imageEntryName(joinPath(entry.item.source.folder, entry.item.output.fileName))
                : folderEntryName(entry.item.source.folder);
    if (const QString preset = presetNameOf(element); !preset.isEmpty()) {
        // Without its preset the entry would be converted other than its author meant.
        QString why = QStringLiteral("presets cannot be read here");
        const std::optional<AttributeList> values =
            load.presets ? load.presets(preset, &why) : std::nullopt;
        if (!values) {
            load.failure(
                name +
                QStringLiteral(": preset \"%1\": %2; the entry adds nothing").arg(preset, why));
            return;
        }
        entry = readEntryAttributes(element, *values);
    }
    for (const QString& problem : entry.unrecognised)
        load.warning(name + QStringLiteral(": ") + problem);
    if (entry.item.output.keepFolders != 0 && (isImage || entry.item.output.includeSubfolders == 0))
        load.warning(name + QStringLiteral(": keepfolders keeps the sub-folders of a folder entry "
                                           "with includesubfolders=\"1\"; here it changes "
                                           "nothing"));
    if (isImage)
        addImageEntry(list, entry.item, load);
    else
        addFolderEntry(list, entry, load);
}

} // namespace pix
