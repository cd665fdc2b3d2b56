// One key per file, however its path is spelt.
#pragma once

#include <QString>

namespace pix {

// The path made absolute and clean, through the real (link-resolved) folder when it exists, and
// case-folded, since on a case-insensitive volume two spellings are one file. Two paths with
// the same key may name one file; a different key names a different file, except through links
// to files, which are not followed.
QString FileKey(const QString& path);

} // namespace pix
