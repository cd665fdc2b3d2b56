// How many cores the imaging work of this thread may use. Libraries that can split one picture
// (a HEIF grid's tiles, AV1 tiles, JPEG XL groups, the AVIF and JPEG XL encoders) run on that
// many threads. One by default: a batch run keeps every core busy with rows of its own, and the
// browser's thumbnail workers share the machine with the window; a caller that knows cores are
// idle says so for the time of one piece of work.
#pragma once

namespace pix::imaging {

int coresForThisThread();

// Sets the cores of this thread while it lives (at least one), then restores the former value.
class ScopedCores {
public:
    explicit ScopedCores(int cores);
    ~ScopedCores();
    ScopedCores(const ScopedCores&) = delete;
    ScopedCores& operator=(const ScopedCores&) = delete;

private:
    int previous_;
};

} // namespace pix::imaging
