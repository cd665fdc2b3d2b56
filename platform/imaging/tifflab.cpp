#include "platform/imaging/tifflab.h"

#include "platform/imaging/decodedetail.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace pix::imaging::tiff {

namespace {

double inverseF(double t) {
    constexpr double delta = 6.0 / 29.0;
    return t > delta ? t * t * t : 3 * delta * delta * (t - 4.0 / 29.0);
}

// Linear light to an 8-bit sRGB level, by table: the curve's power is too slow for every sample
// of a large picture, and 16384 steps are finer than the levels it gives.
constexpr int kSteps = 16383;

int encode(double linear) {
    static const std::array<std::uint8_t, kSteps + 1> table = [] {
        std::array<std::uint8_t, kSteps + 1> t{};
        for (int i = 0; i <= kSteps; ++i) {
            const double l = double(i) / kSteps;
            const double v = l <= 0.0031308 ? 12.92 * l : 1.055 * std::pow(l, 1 / 2.4) - 0.055;
            t[std::size_t(i)] = std::uint8_t(std::lround(std::clamp(v, 0.0, 1.0) * 255));
        }
        return t;
    }();
    return table[std::size_t(std::lround(std::clamp(linear, 0.0, 1.0) * kSteps))];
}

using Matrix = std::array<std::array<double, 3>, 3>;
using Vector = std::array<double, 3>;

Matrix multiply(const Matrix& m, const Matrix& n) {
    Matrix r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k)
                r[i][j] += m[i][k] * n[k][j];
    return r;
}

Vector transformed(const Matrix& m, const Vector& v) {
    return {m[0][0] * v[0] + m[0][1] * v[1] + m[0][2] * v[2],
            m[1][0] * v[0] + m[1][1] * v[1] + m[1][2] * v[2],
            m[2][0] * v[0] + m[2][1] * v[1] + m[2][2] * v[2]};
}

Matrix inverse(const Matrix& m) {
    const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                       m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                       m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    Matrix r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const int a = (j + 1) % 3, b = (j + 2) % 3, c = (i + 1) % 3, d = (i + 2) % 3;
            r[i][j] = (m[a][c] * m[b][d] - m[a][d] * m[b][c]) / det;
        }
    return r;
}

Vector xyzOfChromaticity(double x, double y) {
    return {x / y, 1.0, (1 - x - y) / y};
}

// sRGB's primaries and white, to XYZ.
Matrix srgbToXyz() {
    const Vector red = xyzOfChromaticity(0.64, 0.33), green = xyzOfChromaticity(0.30, 0.60),
                 blue = xyzOfChromaticity(0.15, 0.06);
    const Matrix primaries{
        {{red[0], green[0], blue[0]}, {red[1], green[1], blue[1]}, {red[2], green[2], blue[2]}}};
    const Vector scale = transformed(inverse(primaries), xyzOfChromaticity(0.3127, 0.3290));
    Matrix m = primaries;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            m[i][j] *= scale[j];
    return m;
}

// Bradford's adaptation of colours seen under one white to how they look under another.
Matrix adaptation(const Vector& from, const Vector& to) {
    constexpr Matrix kCone{
        {{0.8951, 0.2664, -0.1614}, {-0.7502, 1.7135, 0.0367}, {0.0389, -0.0685, 1.0296}}};
    const Vector f = transformed(kCone, from), t = transformed(kCone, to);
    const Matrix gain{{{t[0] / f[0], 0, 0}, {0, t[1] / f[1], 0}, {0, 0, t[2] / f[2]}}};
    return multiply(inverse(kCone), multiply(gain, kCone));
}

// L* 0..100, a* and b* about -128..127 relative to a white, to an opaque sRGB pixel: to XYZ
// under that white, adapted to sRGB's D65 white, to linear sRGB, clipped and encoded.
class LabToRgb {
public:
    explicit LabToRgb(const Vector& white)
        : white_(white), toLinear_(multiply(inverse(srgbToXyz()),
                                            adaptation(white, xyzOfChromaticity(0.3127, 0.3290)))) {
    }

    QRgb operator()(double l, double a, double b) const {
        const double fy = (l + 16) / 116;
        const Vector xyz{white_[0] * inverseF(fy + a / 500), white_[1] * inverseF(fy),
                         white_[2] * inverseF(fy - b / 200)};
        const Vector rgb = transformed(toLinear_, xyz);
        return qRgb(encode(rgb[0]), encode(rgb[1]), encode(rgb[2]));
    }

private:
    Vector white_;
    Matrix toLinear_;
};

// The file's white: its WhitePoint tag, else D50.
Vector whiteOf(TIFF* tiff) {
    float* chromaticity = nullptr;
    if (TIFFGetFieldDefaulted(tiff, TIFFTAG_WHITEPOINT, &chromaticity) && chromaticity &&
        chromaticity[0] > 0 && chromaticity[1] > 0 && chromaticity[0] + chromaticity[1] < 1)
        return xyzOfChromaticity(chromaticity[0], chromaticity[1]);
    return {0.9642, 1.0, 0.8249};
}

// How the samples of one pixel become a premultiplied pixel.
struct LabSamples {
    bool wide = false;       // 16 bits a sample, else 8
    bool unsignedAB = false; // ICC L*a*b*: a* and b* offset by 128, L* 100 at 0xFF00 in 16 bits
    Alpha alpha;
    LabToRgb toRgb;

    QRgb pixel(const std::uint32_t* s) const {
        const double top = wide ? 65535.0 : 255.0;
        double l = s[0] * (100.0 / (wide && unsignedAB ? 65280.0 : top));
        double a = 0, b = 0;
        if (unsignedAB) {
            a = (wide ? s[1] / 256.0 : double(s[1])) - 128;
            b = (wide ? s[2] / 256.0 : double(s[2])) - 128;
        } else {
            a = wide ? std::int16_t(s[1]) / 256.0 : std::int8_t(s[1]);
            b = wide ? std::int16_t(s[2]) / 256.0 : std::int8_t(s[2]);
        }
        if (alpha.sample < 0)
            return toRgb(l, a, b);
        const std::uint32_t stored = s[alpha.sample];
        if (stored == 0)
            return 0;
        if (alpha.associated) {
            const double coverage = stored / top;
            l = std::min(l / coverage, 100.0);
            a /= coverage;
            b /= coverage;
        }
        const int level = int(wide ? (stored * 255 + 32767) / 65535 : stored);
        const QRgb colour = toRgb(l, a, b);
        return qPremultiply(qRgba(qRed(colour), qGreen(colour), qBlue(colour), level));
    }
};

bool readsLayout(TIFF* tiff, const SampleLayout& layout) {
    std::uint16_t extraCount = 0;
    const std::uint16_t* extraTypes = nullptr;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes);
    return (layout.bits == 8 || layout.bits == 16) && layout.samples >= 3 &&
           layout.samples - extraCount == 3;
}

} // namespace

Status readLab(TIFF* tiff, const SampleLayout& layout, Picture& out) {
    if (!readsLayout(tiff, layout)) {
        detail::noteDecodeDetail(detail::Severity::Error,
                                 "L*a*b* is read with three colour samples of 8 or 16 bits");
        return Status::CorruptData;
    }
    std::uint16_t photometric = PHOTOMETRIC_CIELAB;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PHOTOMETRIC, &photometric);
    const LabSamples samples{layout.bits == 16, photometric == PHOTOMETRIC_ICCLAB,
                             alphaSample(tiff, 3), LabToRgb(whiteOf(tiff))};
    Picture picture;
    Status status =
        allocatePicture(int(layout.width), int(layout.height), samples.alpha.sample >= 0, picture);
    if (status != Status::Ok)
        return status;
    QImage& image = picture.image();
    const std::size_t step = layout.samples;
    status = readSampleRows(
        tiff, layout,
        [&](std::uint32_t x, std::uint32_t y, std::uint32_t count, const std::uint32_t* values) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(int(y))) + x;
            for (std::uint32_t i = 0; i < count; ++i, values += step)
                row[i] = samples.pixel(values);
        });
    if (status == Status::Ok)
        out = std::move(picture);
    return status;
}

} // namespace pix::imaging::tiff
