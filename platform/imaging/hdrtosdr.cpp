#include "platform/imaging/hdrtosdr.h"

#include "platform/imaging/colourprofile.h"

#include <algorithm>
#include <cmath>

namespace pix::imaging::hdr {

namespace {

using Matrix = std::array<double, 9>;

// Steps of the tables over linear light: fine enough that the darkest sRGB levels, where the
// curve is steepest, are told apart.
constexpr int kEncodeSteps = 16384;
constexpr int kGammaSteps = 4096;

constexpr double kHlgDisplayPeak = 1000; // cd/m2, the nominal display of HLG's OOTF
constexpr double kHlgSystemGamma = 1.2;
constexpr double kPqPeak = 10000;
constexpr double kKnee = 0.7; // SDR light up to which the tone curve is the identity

Matrix multiply(const Matrix& a, const Matrix& b) {
    Matrix m{};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            for (int k = 0; k < 3; ++k)
                m[std::size_t(r * 3 + c)] += a[std::size_t(r * 3 + k)] * b[std::size_t(k * 3 + c)];
    return m;
}

Matrix inverse(const Matrix& m) {
    const double det = m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) +
                       m[2] * (m[3] * m[7] - m[4] * m[6]);
    const double d = 1 / det;
    return {(m[4] * m[8] - m[5] * m[7]) * d, (m[2] * m[7] - m[1] * m[8]) * d,
            (m[1] * m[5] - m[2] * m[4]) * d, (m[5] * m[6] - m[3] * m[8]) * d,
            (m[0] * m[8] - m[2] * m[6]) * d, (m[2] * m[3] - m[0] * m[5]) * d,
            (m[3] * m[7] - m[4] * m[6]) * d, (m[1] * m[6] - m[0] * m[7]) * d,
            (m[0] * m[4] - m[1] * m[3]) * d};
}

std::array<double, 3> xyzOf(const double xy[2]) {
    return {xy[0] / xy[1], 1, (1 - xy[0] - xy[1]) / xy[1]};
}

// Linear RGB of the primaries to XYZ, white at Y = 1.
Matrix rgbToXyz(const colour::Chromaticities& c) {
    const auto r = xyzOf(c.red), g = xyzOf(c.green), b = xyzOf(c.blue), w = xyzOf(c.white);
    const Matrix primaries{r[0], g[0], b[0], r[1], g[1], b[1], r[2], g[2], b[2]};
    const Matrix inv = inverse(primaries);
    Matrix m = primaries;
    for (int col = 0; col < 3; ++col) {
        const double s = inv[std::size_t(col * 3)] * w[0] + inv[std::size_t(col * 3 + 1)] * w[1] +
                         inv[std::size_t(col * 3 + 2)] * w[2];
        for (int row = 0; row < 3; ++row)
            m[std::size_t(row * 3 + col)] *= s;
    }
    return m;
}

// Bradford adaptation of XYZ from one white to another.
Matrix adaptation(const double from[2], const double to[2]) {
    const Matrix bradford{0.8951, 0.2664, -0.1614, -0.7502, 1.7135,
                          0.0367, 0.0389, -0.0685, 1.0296};
    const auto cone = [&](const std::array<double, 3>& xyz) {
        return std::array<double, 3>{
            bradford[0] * xyz[0] + bradford[1] * xyz[1] + bradford[2] * xyz[2],
            bradford[3] * xyz[0] + bradford[4] * xyz[1] + bradford[5] * xyz[2],
            bradford[6] * xyz[0] + bradford[7] * xyz[1] + bradford[8] * xyz[2]};
    };
    const auto s = cone(xyzOf(from)), d = cone(xyzOf(to));
    const Matrix scale{d[0] / s[0], 0, 0, 0, d[1] / s[1], 0, 0, 0, d[2] / s[2]};
    return multiply(inverse(bradford), multiply(scale, bradford));
}

constexpr colour::Chromaticities kSrgb{{0.64, 0.33}, {0.30, 0.60}, {0.15, 0.06}, {0.3127, 0.3290}};
constexpr colour::Chromaticities kBt2020{
    {0.708, 0.292}, {0.170, 0.797}, {0.131, 0.046}, {0.3127, 0.3290}};

double srgbEncode(double linear) {
    return linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
}

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
    encode_.resize(kEncodeSteps + 1);
    for (int i = 0; i <= kEncodeSteps; ++i)
        encode_[std::size_t(i)] =
            std::uint8_t(std::lround(255 * srgbEncode(double(i) / kEncodeSteps)));
    // Unspecified or unknown primaries: BT.2020, which PQ and HLG pictures are made for.
    const colour::Chromaticities source =
        colour::chromaticitiesForCicp(primaries == 2 ? 9 : primaries).value_or(kBt2020);
    const Matrix toXyz = rgbToXyz(source);
    const Matrix m =
        multiply(inverse(rgbToXyz(kSrgb)), multiply(adaptation(source.white, kSrgb.white), toXyz));
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
    const auto level = [this](float v) {
        return int(encode_[std::size_t(std::clamp(v, 0.0f, 1.0f) * kEncodeSteps + 0.5f)]);
    };
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
