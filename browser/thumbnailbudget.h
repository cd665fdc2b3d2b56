// The memory the thumbnail workers' decodes may hold together. A decode that needs much (a large
// progressive JPEG keeps every coefficient of the picture) waits until the others that need
// much are done, so that two of them never add up; small decodes always run.
#pragma once

#include <cstdint>

namespace pix {

class ThumbnailBudget {
public:
    /// total: what the decodes may hold together; a decode of at most small bytes always runs.
    explicit ThumbnailBudget(std::uint64_t total, std::uint64_t small)
        : total_(total), small_(small) {}

    /// Takes bytes for a decode when they fit beside what is held (or they are few, or nothing
    /// is held); false when the decode should wait for a release.
    bool tryTake(std::uint64_t bytes);
    /// Gives back what a decode took.
    void release(std::uint64_t bytes);

    /// How many releases have happened: a decode refused since the last one need not ask again.
    std::uint64_t releases() const { return releases_; }
    std::uint64_t held() const { return held_; }

private:
    std::uint64_t total_;
    std::uint64_t small_;
    std::uint64_t held_ = 0;
    std::uint64_t releases_ = 0;
};

} // namespace pix
