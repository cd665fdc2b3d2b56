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

// L* 0..100, a* and b* about -128..127, to an opaque sRGB pixel.
QRgb labToRgb(double l, double a, double b) {
    // The D65 white: what sRGB displays as white.
    constexpr double xn = 0.95047, yn = 1.0, zn = 1.08883;
    const double fy = (l + 16) / 116;
    const double x = xn * inverseF(fy + a / 500), y = yn * inverseF(fy),
                 z = zn * inverseF(fy - b / 200);
    const double r = 3.2404542 * x - 1.5371385 * y - 0.4985314 * z;
    const double g = -0.9692660 * x + 1.8760108 * y + 0.0415560 * z;
    const double bl = 0.0556434 * x - 0.2040259 * y + 1.0572252 * z;
    return qRgb(encode(r), encode(g), encode(bl));
}

// How the samples of one pixel become a premultiplied pixel.
struct LabSamples {
    bool wide = false;       // 16 bits a sample, else 8
    int alpha = -1;          // the alpha's sample, none when negative
    bool associated = false; // the colour is stored multiplied by the alpha

    QRgb pixel(const std::uint32_t* s) const {
        const double top = wide ? 65535.0 : 255.0;
        double l = s[0] * (100.0 / top);
        double a = wide ? std::int16_t(s[1]) / 256.0 : std::int8_t(s[1]);
        double b = wide ? std::int16_t(s[2]) / 256.0 : std::int8_t(s[2]);
        if (alpha < 0)
            return labToRgb(l, a, b);
        const std::uint32_t stored = s[alpha];
        if (stored == 0)
            return 0;
        if (associated) {
            const double coverage = stored / top;
            l = std::min(l / coverage, 100.0);
            a /= coverage;
            b /= coverage;
        }
        const int level = wide ? (stored * 255 + 32767) / 65535 : stored;
        const QRgb colour = labToRgb(l, a, b);
        return qPremultiply(qRgba(qRed(colour), qGreen(colour), qBlue(colour), level));
    }
};

Status readSamples(TIFF* tiff, const SampleLayout& layout, LabSamples& samples) {
    std::uint16_t extraCount = 0;
    const std::uint16_t* extraTypes = nullptr;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes);
    if ((layout.bits != 8 && layout.bits != 16) || layout.samples < 3 ||
        layout.samples - extraCount != 3) {
        detail::noteDecodeDetail(detail::Severity::Error,
                                 "L*a*b* is read with three colour samples of 8 or 16 bits");
        return Status::CorruptData;
    }
    samples.wide = layout.bits == 16;
    if (extraCount > 0 &&
        (extraTypes[0] == EXTRASAMPLE_ASSOCALPHA || extraTypes[0] == EXTRASAMPLE_UNASSALPHA)) {
        samples.alpha = 3;
        samples.associated = extraTypes[0] == EXTRASAMPLE_ASSOCALPHA;
    }
    return Status::Ok;
}

} // namespace

Status readLab(TIFF* tiff, const SampleLayout& layout, Picture& out) {
    LabSamples samples;
    if (const Status status = readSamples(tiff, layout, samples); status != Status::Ok)
        return status;
    Picture picture;
    Status status =
        allocatePicture(int(layout.width), int(layout.height), samples.alpha >= 0, picture);
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
