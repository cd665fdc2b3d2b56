#include "platform/imaging/tifflab.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace pix::imaging::tiff {

namespace {

double inverseF(double t) {
    constexpr double delta = 6.0 / 29.0;
    return t > delta ? t * t * t : 3 * delta * delta * (t - 4.0 / 29.0);
}

std::uint32_t encode(double linear) {
    const double v =
        linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
    return std::uint32_t(std::lround(std::clamp(v, 0.0, 1.0) * 255));
}

// L* 0..100, a* and b* about -128..127, to a libtiff RGBA pixel (R in the lowest byte).
std::uint32_t labToPixel(double l, double a, double b) {
    // The D65 white: what sRGB displays as white.
    constexpr double xn = 0.95047, yn = 1.0, zn = 1.08883;
    const double fy = (l + 16) / 116;
    const double x = xn * inverseF(fy + a / 500), y = yn * inverseF(fy),
                 z = zn * inverseF(fy - b / 200);
    const double r = 3.2404542 * x - 1.5371385 * y - 0.4985314 * z;
    const double g = -0.9692660 * x + 1.8760108 * y + 0.0415560 * z;
    const double bl = 0.0556434 * x - 0.2040259 * y + 1.0572252 * z;
    return encode(r) | (encode(g) << 8) | (encode(bl) << 16) | 0xFF000000u;
}

template <typename Sample>
void putLab(TIFFRGBAImage* img, std::uint32_t* cp, std::uint32_t, std::uint32_t, std::uint32_t w,
            std::uint32_t h, std::int32_t fromskew, std::int32_t toskew, unsigned char* pp) {
    constexpr double lScale = sizeof(Sample) == 1 ? 100.0 / 255 : 100.0 / 65535;
    constexpr double abScale = sizeof(Sample) == 1 ? 1.0 : 1.0 / 256;
    const std::size_t step = std::size_t(img->samplesperpixel) * sizeof(Sample);
    while (h-- > 0) {
        for (std::uint32_t x = 0; x < w; ++x, pp += step) {
            Sample s[3];
            std::memcpy(s, pp, sizeof s);
            using Signed = std::make_signed_t<Sample>;
            *cp++ = labToPixel(s[0] * lScale, Signed(s[1]) * abScale, Signed(s[2]) * abScale);
        }
        cp += toskew;
        pp += std::ptrdiff_t(fromskew) * std::ptrdiff_t(step);
    }
}

} // namespace

bool useLabToSrgb(TIFFRGBAImage& reader) {
    if (reader.photometric != PHOTOMETRIC_CIELAB || !reader.isContig || reader.samplesperpixel < 3)
        return false;
    if (reader.bitspersample == 8)
        reader.put.contig = putLab<std::uint8_t>;
    else if (reader.bitspersample == 16)
        reader.put.contig = putLab<std::uint16_t>;
    else
        return false;
    return true;
}

} // namespace pix::imaging::tiff
