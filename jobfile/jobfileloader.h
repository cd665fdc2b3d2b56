// Loading an XML job file into the job list.
//
// A job file names pictures (elements "image") and folders (elements "folder"), each with its
// conversion settings in attributes; every picture becomes one row of the job list. Problems
// with the file itself are reported through the prompt with the caption "Error"; entries whose
// pictures cannot be found are skipped without a message. Nothing here throws.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <optional>
#include <utility>

namespace pix {

class JobList;
class UserPrompt;

// A note about an entry: one that added nothing although it named something (failure), or
// whose values were not understood and were read as the defaults (not a failure). The window
// shows none, as entries that add nothing are skipped in silence there; the job run prints
// them on standard error.
struct JobFileNote {
    QString text; // e.g. `image "in/a.jpg": the file does not exist`
    bool failure = false;
};
using JobFileNoteSink = std::function<void(const JobFileNote&)>;

// Attribute names and values, in the order they apply.
using AttributeList = QList<std::pair<QString, QString>>;
// The values of the preset an entry names with preset="NAME", or none with the reason.
using PresetLookup = std::function<std::optional<AttributeList>(const QString& name, QString* why)>;

struct JobFileOptions {
    // The most folders one load may search, all folder entries together; negative for no
    // limit. The program sets none; the fuzz target bounds its work with it.
    int maxFolders = -1;
    // Where the notes go; none drops them.
    JobFileNoteSink note;
    // Where the presets come from; without it an entry that names one adds nothing.
    PresetLookup presets;
};

/// Loads the pictures and folders the job file names, with their settings, into the list.
/// True when the file was read and parsed (whether or not any row was added); false after a
/// message about a missing, unreadable or malformed file.
bool LoadJobFile(const QString& path, JobList& list, UserPrompt* prompt,
                 const JobFileOptions& options = {});

/// The same for a job file already in memory: the parse, the walk and their messages.
bool LoadJobFileFromMemory(const QByteArray& bytes, JobList& list, UserPrompt* prompt,
                           const JobFileOptions& options = {});

} // namespace pix
