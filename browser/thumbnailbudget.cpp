#include "browser/thumbnailbudget.h"

namespace pix {

bool ThumbnailBudget::tryTake(std::uint64_t bytes) {
    if (held_ > 0 && bytes > small_ && held_ + bytes > total_)
        return false;
    held_ += bytes;
    return true;
}

void ThumbnailBudget::release(std::uint64_t bytes) {
    held_ = bytes < held_ ? held_ - bytes : 0;
    ++releases_;
}

} // namespace pix
