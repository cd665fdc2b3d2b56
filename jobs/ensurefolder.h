#pragma once

#include <QString>

namespace pix {

// Makes every missing folder of path, level by level from the top. path ends in "/"; the part
// after the last "/" is not a folder. True when every level exists or was made.
bool EnsureFolder(const QString& path);

} // namespace pix
