// Files and folders dropped from a file manager onto the job list, added as "Add to list" adds
// the browser's pictures.
#pragma once

#include "jobs/joblist.h"

#include <QSize>
#include <QStringList>
#include <vector>

namespace pix {

struct DroppedPicture {
    QString folder;
    QString name;
    QSize size; // upright pixel size
    // For the pictures of a dropped folder, the folder's own name: "Keep folder structure"
    // writes them into a folder of that name below the output folder.
    QString relativeFolder;
};

// A dropped file is taken when it is a picture the program can read; a dropped folder gives its
// pictures (not those of its sub-folders) whose names match one of the filter's patterns, in
// name order. Anything else is left out.
std::vector<DroppedPicture> picturesFromDrop(const QStringList& paths, const QStringList& filters);

// Adds them to the list through AddFile, which asks about duplicates and adds nothing while a
// run holds the list, each row with its relative folder. Answers the rows added.
int addDropped(JobList& list, const QStringList& paths, const QStringList& filters);

} // namespace pix
