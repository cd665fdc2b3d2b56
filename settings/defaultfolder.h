// The output folder offered for an item that has none.
#pragma once

#include <QString>

namespace pix {

// The user's documents folder when it exists, else the desktop folder when it exists, else the
// home folder.
QString DefaultOutputFolder();

} // namespace pix
