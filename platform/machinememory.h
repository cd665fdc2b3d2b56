// How much memory this machine has for the work of one run.
#pragma once

#include <QtGlobal>

namespace pix {

// The memory that can be taken without pushing other programs out: the system's estimate of
// available memory where it gives one, else half the physical memory, else 4 GiB.
qint64 availableMemory();

} // namespace pix
