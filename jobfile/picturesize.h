// The sizes of a job item made from a job file: measuring its picture, and the turn.
#pragma once

#include "jobs/jobitem.h"

#include <QString>

namespace pix {

/// Fills the item's zero sizes from the picture at path, each side by itself: a zero source
/// side takes the picture's (upright) side, then a zero output side takes the source's. A file
/// that cannot be measured leaves every size as it was, answers false and says why. A metafile
/// counts as no larger than it is drawn without an asked size, which `note` then tells.
bool MeasurePicture(const QString& path, JobItem& item, QString* why = nullptr,
                    QString* note = nullptr);

/// True when the output size needs the picture's own size: a side left to the picture, or a
/// resize rule that works from it.
bool NeedsOwnSize(const JobOutput& output);

/// Sets the output size by the item's resize rule from its measured (upright) size; an exact
/// size takes the output size as given and measured as its box. Nothing for a plain exact size
/// or a picture that was not measured.
void ApplyResizeRule(JobItem& item);

} // namespace pix
