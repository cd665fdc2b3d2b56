// Splitting one job over several machines: which rows of the expanded job list a share (shard)
// converts, so that the shards together write exactly the files one whole run writes, each once.
#pragma once

#include <vector>

namespace pix {

class JobList;

// Rows that touch the same file stay together: rows writing one output, and a row that reads an
// earlier row's output with that row. Such groups are dealt to the shards by the bytes of their
// source files, the largest first, each to the shard with the least work so far (ties: the
// lower shard, the earlier group), so every shard computes the same split from the job file and
// the files alone. Answers the rows of shard `index` of `count`, in display order; none for
// an index out of range.
std::vector<int> ShardRows(const JobList& list, int index, int count);

} // namespace pix
