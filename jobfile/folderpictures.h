// The expansion of a folder entry into one job item per matching picture.
#pragma once

#include "jobs/jobitem.h"

#include <QString>
#include <cstdint>

namespace pix {

class JobList;
class JobLoad;

/// Appends a row for every name in folder that matches a pattern of filter (split by
/// ParseFilterList), pattern by pattern, names in name order; a name matched by two patterns
/// gives two rows, and matching folders are not left out. When the template asks for
/// subfolders, their pictures come first, depth first. Each item takes the template's output
/// folder and settings; with a prefix it takes counter as its number, and counter goes up.
/// A filter without patterns finds nothing. Subfolders that are symbolic links are not entered.
/// A missing or unreadable folder, a filter without patterns, a pattern with a leading or
/// trailing blank that matched nothing, and a file whose name is not valid UTF-8 (skipped) are
/// failure notes; a folder that simply holds no match is not.
void AddFolderPictures(JobList& list, const QString& folder, const JobItem& templ,
                       std::int32_t& counter, const QString& filter, JobLoad& load);

} // namespace pix
