#include "platform/imaging/hdrtosdr.h"

#include "platform/imaging/colourprofile.h"

#include <algorithm>
#include <cmath>

namespace pix::imaging::hdr {

namespace {

// Steps of the table over scene luminance for HLG's system gamma.
constexpr int kGammaSteps = 4096;

constexpr double kHlgDisplayPeak = 1000; // cd/m2, the nominal display of HLG's OOTF
constexpr double kHlgSystemGamma = 1.2;
constexpr double kPqPeak = 10000;
constexpr double kKnee = 0.7; // SDR light up to which the tone curve is the identity

} // namespace

bool isHdrTransfer(int transfer) {
    return transfer == kPq || transfer == kHlg;
}

double pqToNits(double signal) {
    constexpr double m1 = 2610.0 / 16384, m2 = 2523.0 / 4096 * 128;
    constexpr double c1 = 3424.0 / 4096, c2 = 2413.0 / 4096 * 32, c3 = 2392.0 / 4096 * 32;
    const double p = std::pow(std::clamp(signal, 0.0, 1.0), 1 / m2);
    return kPqPeak * std::pow(std::max(p - c1, 0.0) / (c2 - c3 * p), 1 / m1);
}

double hlgToScene(double signal) {
    constexpr double a = 0.17883277, b = 1 - 4 * a, c = 0.55991073;
    const double e = std::clamp(signal, 0.0, 1.0);
    return e <= 0.5 ? e * e / 3 : (std::exp((e - c) / a) + b) / 12;
}

double toneCurve(double light, double peak) {
    if (light <= kKnee)
        return std::max(light, 0.0);
    if (light >= peak)
        return 1;
    // Extended Reinhard over what lies above the knee, scaled so that the peak reaches 1.
    const double room = 1 - kKnee;
    const double t = (light - kKnee) / room;
    const double top = (peak - kKnee) / room;
    return kKnee + room * t * (1 + t / (top * top)) / (1 + t);
}

ToSdr::ToSdr(int primaries, int transfer, int maxValue)
    : maxValue_(std::clamp(maxValue, 1, 65535)), hlg_(transfer == kHlg),
      peak_(float((hlg_ ? kHlgDisplayPeak : kPqPeak) / kReferenceWhite)) {
    light_.resize(std::size_t(maxValue_) + 1);
    for (int code = 0; code <= maxValue_; ++code) {
        const double signal = double(code) / maxValue_;
        light_[std::size_t(code)] =
            float(hlg_ ? hlgToScene(signal) : pqToNits(signal) / kReferenceWhite);
    }
    // Unspecified or unknown primaries: BT.2020, which PQ and HLG pictures are made for.
    constexpr int kBt2020 = 9;
    const colour::Chromaticities source =
        colour::chromaticitiesForCicp(primaries).value_or(*colour::chromaticitiesForCicp(kBt2020));
    const colour::Matrix3 toXyz = colour::rgbToXyz(source);
    const colour::Matrix3 m = colour::multiply(
        colour::inverse(colour::rgbToXyz(colour::kSrgbChromaticities)),
        colour::multiply(
            colour::bradford(colour::xyzOfChromaticity(source.white),
                             colour::xyzOfChromaticity(colour::kSrgbChromaticities.white)),
            toXyz));
    std::transform(m.begin(), m.end(), toSrgb_.begin(), [](double v) { return float(v); });
    luminance_ = {float(toXyz[3]), float(toXyz[4]), float(toXyz[5])};
    if (hlg_) {
        // The OOTF's scene-luminance factor, with the display's peak in reference whites.
        systemGamma_.resize(kGammaSteps + 2);
        for (int i = 0; i <= kGammaSteps; ++i)
            systemGamma_[std::size_t(i)] =
                float(std::pow(double(i) / kGammaSteps, kHlgSystemGamma - 1) * peak_);
        systemGamma_[kGammaSteps + 1] = systemGamma_[kGammaSteps];
    }
}

QRgb ToSdr::pixel(float r, float g, float b) const {
    if (hlg_) {
        const float ys =
            std::clamp(luminance_[0] * r + luminance_[1] * g + luminance_[2] * b, 0.0f, 1.0f) *
            kGammaSteps;
        const int i = int(ys);
        const float f =
            systemGamma_[std::size_t(i)] +
            (systemGamma_[std::size_t(i) + 1] - systemGamma_[std::size_t(i)]) * (ys - float(i));
        r *= f;
        g *= f;
        b *= f;
    }
    const auto& m = toSrgb_;
    // A colour beyond sRGB's gamut has a negative channel, cut to zero: for the saturated
    // colours of a wide gamut that keeps the hue they are seen with, where moving them towards
    // grey along a straight line would turn BT.2020's green cyan and its red pink.
    const float sr = std::max(m[0] * r + m[1] * g + m[2] * b, 0.0f);
    const float sg = std::max(m[3] * r + m[4] * g + m[5] * b, 0.0f);
    const float sb = std::max(m[6] * r + m[7] * g + m[8] * b, 0.0f);
    const float high = std::max({sr, sg, sb});
    const float scale = high > kKnee ? float(toneCurve(double(high), double(peak_))) / high : 1;
    const auto level = [this](float v) { return colour::srgbLevel(levels_, v); };
    return qRgb(level(sr * scale), level(sg * scale), level(sb * scale));
}

template <typename Sample>
void ToSdr::convertRow(const Sample* samples, int channels, int count, RowAlpha alpha,
                       QRgb* out) const {
    const bool four = channels == 4 && alpha != RowAlpha::None;
    const auto max = std::uint32_t(maxValue_);
    for (int i = 0; i < count; ++i, samples += channels) {
        std::uint32_t r = std::min<std::uint32_t>(samples[0], max);
        std::uint32_t g = std::min<std::uint32_t>(samples[1], max);
        std::uint32_t b = std::min<std::uint32_t>(samples[2], max);
        if (!four) {
            out[i] = pixel(light_[r], light_[g], light_[b]);
            continue;
        }
        const std::uint32_t a = std::min<std::uint32_t>(samples[3], max);
        if (alpha == RowAlpha::Premultiplied) {
            // The signals are of the straight colour: divided out first.
            const auto straight = [a, max](std::uint32_t v) {
                return a == 0 ? 0 : std::min(max, (v * max + a / 2) / a);
            };
            r = straight(r);
            g = straight(g);
            b = straight(b);
        }
        const QRgb colour = pixel(light_[r], light_[g], light_[b]);
        const int level = int((a * 255 + max / 2) / max);
        out[i] = qPremultiply(qRgba(qRed(colour), qGreen(colour), qBlue(colour), level));
    }
}

void ToSdr::convert(const std::uint16_t* samples, int channels, int count, RowAlpha alpha,
                    QRgb* out) const {
    convertRow(samples, channels, count, alpha, out);
}

void ToSdr::convert(const std::uint8_t* samples, int channels, int count, RowAlpha alpha,
                    QRgb* out) const {
    convertRow(samples, channels, count, alpha, out);
}

} // namespace pix::imaging::hdr
