// Why an output file could not be written, told from the state of the target after the fact.
#pragma once

#include <QString>

namespace pix {

// The likeliest reason a file of `bytes` bytes could not be written at path: the target is a
// folder, the disk is read-only, permission denied, the file-size limit, the disk is full, or
// (when none of these shows) that the file could not be written.
QString DescribeWriteFailure(const QString& path, qint64 bytes);

} // namespace pix
