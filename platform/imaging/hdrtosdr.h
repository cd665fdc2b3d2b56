// HDR pictures (PQ and HLG signals, ITU-T H.273 transfer codes 16 and 18) brought to SDR sRGB
// pixels while their deep samples still exist, so that every output and every thumbnail shows
// what a viewer of the picture on an ordinary display would expect.
//
// The way there, for each pixel:
// 1. The signal to display light: PQ's EOTF gives absolute luminance; HLG's inverse OETF gives
//    scene light, which its OOTF (system gamma 1.2) takes to the light of a nominal
//    1000 cd/m2 display. The light is counted in units of the HDR reference white, 203 cd/m2.
// 2. The source primaries (BT.2020, P3, ...) to sRGB's by a 3x3 matrix in linear light (Bradford
//    adapted where the whites differ). A colour sRGB cannot show has a negative channel, which is
//    cut to zero: a wide gamut's saturated colours keep the hue they are seen with (BT.2020's
//    green stays green), where moving them towards grey would turn that green cyan.
// 3. A tone curve on the largest channel (max-RGB, so that the channels keep their ratios and
//    the hue stays): linear up to 0.7 of SDR white, above that an extended Reinhard shoulder that
//    reaches SDR white exactly at the signal's peak (10000 cd/m2 for PQ, 1000 for HLG) and
//    rises with slope 1 from the knee. The reference white lands at 85 % of SDR white's light
//    (sRGB level 237), 1000 cd/m2 highlights near white, and nothing clips below the peak.
//    A knee and a Reinhard shoulder need no knowledge of the picture (no pass over it first),
//    cost a division a pixel, and keep everything below the knee as the source shows it.
// 4. sRGB's curve, rounded to 8 bits.
// The transfer functions are tables over the sample codes and the linear light, built once for
// a picture; a pixel costs a few lookups, a matrix and a division.
#pragma once

#include "platform/imaging/colourmath.h"
#include "platform/imaging/pixelrows.h"

#include <QRgb>
#include <array>
#include <cstdint>
#include <vector>

namespace pix::imaging::hdr {

inline constexpr int kPq = 16;                 // SMPTE ST 2084
inline constexpr int kHlg = 18;                // ARIB STD-B67
inline constexpr double kReferenceWhite = 203; // cd/m2, ITU-R BT.2408

// True for the transfer codes whose pictures are HDR and need this conversion.
bool isHdrTransfer(int transfer);

// PQ: display luminance (cd/m2) of a signal in 0..1.
double pqToNits(double signal);
// HLG: scene light (0..1) of a signal in 0..1.
double hlgToScene(double signal);
// The tone curve: light in units of the reference white to SDR light (0..1), for a signal whose
// peak is `peak` reference whites.
double toneCurve(double light, double peak);

// Turns rows of a picture's RGB signals into sRGB pixels. Made once for a picture.
class ToSdr {
public:
    // `primaries` and `transfer` are the picture's H.273 codes (transfer PQ or HLG; unknown
    // primaries are taken as BT.2020, the HDR formats' own); the samples run from 0 to
    // `maxValue` (255 to 65535).
    ToSdr(int primaries, int transfer, int maxValue);

    // `count` pixels of R, G, B (and A when `channels` is 4) samples.
    void convert(const std::uint16_t* samples, int channels, int count, RowAlpha alpha,
                 QRgb* out) const;
    void convert(const std::uint8_t* samples, int channels, int count, RowAlpha alpha,
                 QRgb* out) const;

private:
    template <typename Sample>
    void convertRow(const Sample* samples, int channels, int count, RowAlpha alpha,
                    QRgb* out) const;
    QRgb pixel(float r, float g, float b) const;

    int maxValue_;
    bool hlg_;
    float peak_;               // the signal's peak, in reference whites
    std::vector<float> light_; // code to light (PQ: display, HLG: scene)
    const colour::SrgbLevels& levels_ = colour::srgbLevels();
    std::vector<float> systemGamma_;   // HLG: scene luminance (in fine steps) to Ys^0.2
    std::array<float, 9> toSrgb_{};    // source primaries to sRGB's, linear
    std::array<float, 3> luminance_{}; // the source primaries' luminance weights
};

} // namespace pix::imaging::hdr
