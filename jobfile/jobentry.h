// One entry of a job file ("image" or "folder") turned into job items and rows.
#pragma once

#include <pugixml.hpp>

namespace pix {

class JobList;
class JobLoad;

/// An image entry adds one row for the picture "path/name" when it exists and has a size above
/// 0 both ways (given, or measured where a side is 0 or missing). A folder entry adds a row per
/// matching picture of its folder. An element without attributes adds nothing. An entry that
/// names something but adds nothing gets a failure note saying why.
void AddJobEntry(JobList& list, const pugi::xml_node& element, bool isImage, JobLoad& load);

} // namespace pix
