#include "platform/imaging/claimcheck.h"

#include "platform/imaging/decodedetail.h"
#include "platform/imaging/picture.h"

#include <algorithm>
#include <cstdio>

namespace pix::imaging {

namespace {

constexpr std::int64_t kAlwaysClaimable = std::int64_t(1) << 24;
constexpr std::int64_t kPixelsPerByte = 4096;

} // namespace

std::int64_t claimablePixels(std::size_t fileBytes) {
    const std::int64_t byData =
        std::int64_t(std::min<std::size_t>(fileBytes, std::size_t(kMaxPixels))) * kPixelsPerByte;
    return std::min(kMaxPixels, std::max(kAlwaysClaimable, byData));
}

Status checkClaimedSize(std::int64_t width, std::int64_t height, std::size_t fileBytes) {
    char text[160];
    if (!sizeAllowed(width, height)) {
        std::snprintf(text, sizeof text, "a picture of %lld x %lld pixels is larger than allowed",
                      static_cast<long long>(width), static_cast<long long>(height));
        detail::noteDecodeDetail(detail::Severity::Error, text);
        return Status::TooLarge;
    }
    if (width * height > claimablePixels(fileBytes)) {
        std::snprintf(text, sizeof text,
                      "%zu bytes of data cannot hold a picture of %lld x %lld pixels", fileBytes,
                      static_cast<long long>(width), static_cast<long long>(height));
        detail::noteDecodeDetail(detail::Severity::Error, text);
        return Status::CorruptData;
    }
    return Status::Ok;
}

} // namespace pix::imaging
