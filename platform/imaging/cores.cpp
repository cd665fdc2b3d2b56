#include "platform/imaging/cores.h"

#include <algorithm>

namespace pix::imaging {

namespace {

thread_local int cores = 1;

} // namespace

int coresForThisThread() {
    return cores;
}

ScopedCores::ScopedCores(int value) : previous_(cores) {
    cores = std::max(1, value);
}

ScopedCores::~ScopedCores() {
    cores = previous_;
}

} // namespace pix::imaging
