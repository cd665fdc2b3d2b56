#include "platform/imaging/tifflab.h"

#include "platform/imaging/colourmath.h"
#include "platform/imaging/decodedetail.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace pix::imaging::tiff {

namespace {

using namespace colour;

double inverseF(double t) {
    constexpr double delta = 6.0 / 29.0;
    return t > delta ? t * t * t : 3 * delta * delta * (t - 4.0 / 29.0);
}

// L* 0..100, a* and b* about -128..127 relative to a white, to an opaque sRGB pixel: to XYZ
// under that white, adapted to sRGB's D65 white, to linear sRGB, clipped and encoded.
class LabToRgb {
public:
    explicit LabToRgb(const Vector3& white)
        : white_(white),
          toLinear_(multiply(inverse(rgbToXyz(kSrgbChromaticities)),
                             bradford(white, xyzOfChromaticity(kSrgbChromaticities.white)))) {}

    QRgb operator()(double l, double a, double b) const {
        const double fy = (l + 16) / 116;
        const Vector3 xyz{white_[0] * inverseF(fy + a / 500), white_[1] * inverseF(fy),
                          white_[2] * inverseF(fy - b / 200)};
        const Vector3 rgb = transformed(toLinear_, xyz);
        return qRgb(srgbLevel(levels_, float(rgb[0])), srgbLevel(levels_, float(rgb[1])),
                    srgbLevel(levels_, float(rgb[2])));
    }

private:
    Vector3 white_;
    Matrix3 toLinear_;
    const SrgbLevels& levels_ = srgbLevels();
};

// The file's white: its WhitePoint tag, else D50.
Vector3 whiteOf(TIFF* tiff) {
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
