// The walk over the nodes of a job file that finds its entries.
#pragma once

#include <pugixml.hpp>

namespace pix {

class JobList;
class JobLoad;

/// Visits node, its following siblings and their descendants in document order, and adds every
/// element named "image" or "folder" (without regard to case) as an entry. The children of an
/// element are visited only when its first child, comments and processing instructions passed
/// over, is an element: leading text hides everything inside, a comment never does. Other kinds
/// of node are skipped. The walk keeps no stack, so any depth of nesting is safe.
void WalkJobNodes(JobList& list, pugi::xml_node node, JobLoad& load);

} // namespace pix
