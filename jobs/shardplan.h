// Splitting one job over several machines: which rows of the expanded job list a share (shard)
// converts, so that the shards together write exactly the files one whole run writes, each once.
#pragma once

#include <QString>
#include <vector>

namespace pix {

class JobList;

// Rows that touch the same file stay together: rows writing one output, and a row that reads an
// earlier row's output with that row. Each such group goes to the shard a stable hash of its
// key names: the first, in code-unit order, of the output paths its rows write, as the job spells
// them. So a group's shard depends on its own rows alone: a source that grows, shrinks, appears
// or vanishes between the starts of two shards moves no other row, and machines that see the
// same job compute the same split without talking to each other. Answers the rows of shard
// `index` of `count`, in display order; none for an index out of range.
std::vector<int> ShardRows(const JobList& list, int index, int count);

// The shard, of `count`, of a group with this key (exposed for the tests).
int ShardOfKey(const QString& key, int count);

} // namespace pix
