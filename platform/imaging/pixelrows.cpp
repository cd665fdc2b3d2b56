#include "platform/imaging/pixelrows.h"

#include <algorithm>

namespace pix::imaging {

namespace {

QRgb pixel(int r, int g, int b, int a, RowAlpha alpha) {
    switch (alpha) {
    case RowAlpha::None:
        break;
    case RowAlpha::Straight:
        return qPremultiply(qRgba(r, g, b, a));
    case RowAlpha::Premultiplied:
        // A colour above its alpha cannot be premultiplied; keep the pixel valid.
        return qRgba(std::min(r, a), std::min(g, a), std::min(b, a), a);
    }
    return qRgb(r, g, b);
}

} // namespace

void rowToPixels(const std::uint8_t* samples, int channels, int count, RowAlpha alpha, QRgb* out) {
    const bool four = channels == 4;
    for (int i = 0; i < count; ++i, samples += channels)
        out[i] = pixel(samples[0], samples[1], samples[2], four ? samples[3] : 255, alpha);
}

void row16ToPixels(const std::uint16_t* samples, int channels, int maxValue, int count,
                   RowAlpha alpha, QRgb* out) {
    const bool four = channels == 4;
    const std::uint32_t max = std::uint32_t(std::max(maxValue, 1));
    const auto level = [max](std::uint32_t v) {
        return int((std::min(v, max) * 255 + max / 2) / max);
    };
    for (int i = 0; i < count; ++i, samples += channels)
        out[i] = pixel(level(samples[0]), level(samples[1]), level(samples[2]),
                       four ? level(samples[3]) : 255, alpha);
}

} // namespace pix::imaging
