#include "platform/imaging/tiffdeep.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace pix::imaging::tiff {

namespace {

enum class Colour { Grey, InvertedGrey, Rgb, Cmyk };

struct Kind {
    Colour colour = Colour::Grey;
    std::uint16_t colourSamples = 1;
    bool isFloat = false;
};

// The colour model of the directory, when it is one read here.
bool colourOf(TIFF* tiff, const SampleLayout& layout, Kind& kind) {
    std::uint16_t photometric = 0, inkSet = INKSET_CMYK;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_INKSET, &inkSet);
    switch (photometric) {
    case PHOTOMETRIC_MINISBLACK:
    case PHOTOMETRIC_MINISWHITE:
        kind.colour = photometric == PHOTOMETRIC_MINISWHITE ? Colour::InvertedGrey : Colour::Grey;
        kind.colourSamples = 1;
        break;
    case PHOTOMETRIC_RGB:
        kind.colour = Colour::Rgb;
        kind.colourSamples = 3;
        break;
    case PHOTOMETRIC_SEPARATED:
        if (inkSet != INKSET_CMYK)
            return false;
        kind.colour = Colour::Cmyk;
        kind.colourSamples = 4;
        break;
    default:
        return false;
    }
    return layout.samples >= kind.colourSamples;
}

bool kindOf(TIFF* tiff, const SampleLayout& layout, Kind& kind) {
    if (!colourOf(tiff, layout, kind))
        return false;
    std::uint16_t format = SAMPLEFORMAT_UINT;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &format);
    kind.isFloat = format == SAMPLEFORMAT_IEEEFP;
    const bool grey = kind.colourSamples == 1;
    if (kind.isFloat)
        return layout.bits == 16 || layout.bits == 32;
    if (format != SAMPLEFORMAT_UINT && format != SAMPLEFORMAT_VOID)
        return false;
    // libtiff's reader takes the alpha of 8-bit grey as associated whatever the file says.
    const bool greyAlpha = grey && layout.samples > 1 && alphaSample(tiff, 1).sample >= 0;
    return layout.bits == 32 || (grey && layout.bits > 8 && layout.bits <= 16) ||
           (greyAlpha && layout.bits == 8) || (kind.colour == Colour::Cmyk && layout.bits == 16);
}

float halfToFloat(std::uint32_t h) {
    const int exponent = int(h >> 10) & 0x1F;
    const int mantissa = int(h) & 0x3FF;
    float value = 0;
    if (exponent == 0)
        value = std::ldexp(float(mantissa), -24);
    else if (exponent == 31)
        value = mantissa != 0 ? NAN : INFINITY;
    else
        value = std::ldexp(float(mantissa + 1024), exponent - 25);
    return (h & 0x8000) != 0 ? -value : value;
}

// One stored sample as an 8-bit level.
class Scale {
public:
    Scale(const Kind& kind, unsigned bits) : isFloat_(kind.isFloat), bits_(bits) {}

    int operator()(std::uint32_t v) const {
        if (isFloat_) {
            const float f = bits_ == 16 ? halfToFloat(v) : std::bit_cast<float>(v);
            if (!(f > 0)) // NaN too
                return 0;
            return f >= 1 ? 255 : int(std::lround(f * 255));
        }
        if (bits_ == 32)
            return int(v >> 24);
        const std::uint32_t top = (1u << bits_) - 1;
        return int((v * 255 + top / 2) / top);
    }

private:
    bool isFloat_;
    unsigned bits_;
};

// The naive conversion careful readers use without a profile, as libtiff's for 8 bits.
QRgb cmykToRgb(int c, int m, int y, int k) {
    const int white = 255 - k;
    return qRgb(white * (255 - c) / 255, white * (255 - m) / 255, white * (255 - y) / 255);
}

} // namespace

bool isDeepLayout(TIFF* tiff, const SampleLayout& layout) {
    Kind kind;
    return kindOf(tiff, layout, kind);
}

Status readDeepSamples(TIFF* tiff, const SampleLayout& layout, Picture& out) {
    Kind kind;
    if (!kindOf(tiff, layout, kind))
        return Status::CorruptData;
    const Alpha alpha = alphaSample(tiff, kind.colourSamples);
    Picture picture;
    Status status =
        allocatePicture(int(layout.width), int(layout.height), alpha.sample >= 0, picture);
    if (status != Status::Ok)
        return status;
    QImage& image = picture.image();
    const Scale scale(kind, layout.bits);
    const std::size_t step = layout.samples;
    status = readSampleRows(
        tiff, layout,
        [&](std::uint32_t x, std::uint32_t y, std::uint32_t count, const std::uint32_t* values) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(int(y))) + x;
            for (std::uint32_t i = 0; i < count; ++i, values += step) {
                QRgb colour = 0;
                switch (kind.colour) {
                case Colour::Grey:
                case Colour::InvertedGrey: {
                    const int grey =
                        kind.colour == Colour::Grey ? scale(values[0]) : 255 - scale(values[0]);
                    colour = qRgb(grey, grey, grey);
                    break;
                }
                case Colour::Rgb:
                    colour = qRgb(scale(values[0]), scale(values[1]), scale(values[2]));
                    break;
                case Colour::Cmyk:
                    colour = cmykToRgb(scale(values[0]), scale(values[1]), scale(values[2]),
                                       scale(values[3]));
                    break;
                }
                if (alpha.sample < 0) {
                    row[i] = colour;
                    continue;
                }
                const int a = scale(values[alpha.sample]);
                // Colour stored multiplied by its alpha is kept so, within the alpha.
                row[i] = alpha.associated
                             ? qRgba(std::min(qRed(colour), a), std::min(qGreen(colour), a),
                                     std::min(qBlue(colour), a), a)
                             : qPremultiply(qRgba(qRed(colour), qGreen(colour), qBlue(colour), a));
            }
        });
    if (status == Status::Ok)
        out = std::move(picture);
    return status;
}

} // namespace pix::imaging::tiff
