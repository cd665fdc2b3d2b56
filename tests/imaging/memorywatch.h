// The growth of the process's peak resident memory over a scope, for tests that hostile input
// is refused without being given the memory it asks for.
#pragma once

#include <sys/resource.h>

namespace pix::imaging::test {

inline long peakResidentKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

class PeakGrowth {
public:
    PeakGrowth() : start_(peakResidentKilobytes()) {}
    long megabytes() const { return (peakResidentKilobytes() - start_) / 1024; }

private:
    long start_;
};

} // namespace pix::imaging::test
