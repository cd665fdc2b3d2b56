// Which share of a job this run converts, from --shard and the scheduler's environment.
#pragma once

#include "app/commandline.h"

#include <QProcessEnvironment>
#include <optional>

namespace pix {

struct Shard {
    int index = 0; // 0 <= index < count
    int count = 1;
};

// None for a whole run (no --shard). A value that cannot be used sets error and answers none:
// the caller must then stop, never fall back to a whole run.
std::optional<Shard> resolveShard(const CommandLine& line, const QProcessEnvironment& env,
                                  QString& error);

} // namespace pix
