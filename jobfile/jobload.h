// What one load of a job file carries through its walk: the folder budget and where the notes
// about entries that added nothing (or not what they asked for) go.
#pragma once

#include "jobfile/folderwalk.h"
#include "jobfile/jobfileloader.h"

#include <QString>

namespace pix {

class JobLoad {
public:
    explicit JobLoad(const JobFileOptions& options)
        : budget(options.maxFolders), presets(options.presets), sink_(options.note) {}

    // An entry that failed to add what it names: the run cannot be complete.
    void failure(const QString& text) { note(text, true); }
    // An entry that was read other than its author likely meant: worth saying, not a failure.
    void warning(const QString& text) { note(text, false); }

    FolderBudget budget;
    PresetLookup presets;

private:
    void note(const QString& text, bool failure) {
        if (sink_)
            sink_({text, failure});
    }

    JobFileNoteSink sink_;
};

// How notes name an entry: `image "folder/name"`, `folder "folder"`.
inline QString imageEntryName(const QString& path) {
    return QStringLiteral("image \"%1\"").arg(path);
}
inline QString folderEntryName(const QString& path) {
    return QStringLiteral("folder \"%1\"").arg(path);
}

} // namespace pix
