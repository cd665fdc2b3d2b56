// Limits the system puts on the files this process writes.
#pragma once

#include <QtGlobal>
#include <optional>

namespace pix {

// The largest file this process may write, in bytes; none when there is no limit.
std::optional<qint64> fileSizeLimit();

// Makes writing past the file-size limit fail like a full disk instead of ending the process,
// so a run reports the row and goes on.
void surviveFileSizeLimit();

} // namespace pix
