// Colour profiles through lcms2: what an embedded ICC profile describes, and the pixels of a
// picture converted from it to sRGB (relative colorimetric intent with black-point compensation,
// which keeps in-gamut colours as they are and maps the source's black to sRGB's black).
//
// Transforms are cached by profile: a batch of photographs from one camera or phone shares one,
// and building a transform costs far more than running it over a resized picture.
#pragma once

#include "platform/imaging/colourmath.h"
#include "platform/imaging/picture.h"

#include <QByteArray>
#include <QRgb>
#include <cstddef>
#include <memory>
#include <optional>

namespace pix::imaging::colour {

// The largest profile read or written. Real profiles are a few kilobytes, a printer's LUT
// profile a few megabytes; anything larger is refused before lcms2 parses it.
inline constexpr std::size_t kMaxProfileBytes = std::size_t(16) << 20;

enum class ProfileKind {
    None,     // no profile: the pixels are sRGB
    Rgb,      // an RGB profile, which RGB pixels and every RGB output can carry
    Grey,     // a grey profile; the pixels are grey in RGB
    Cmyk,     // a CMYK profile
    Unusable, // damaged, too large, or of a colour space the pixels cannot be in
};

ProfileKind profileKind(const QByteArray& icc);

// The profile's description, as its 'desc' tag holds it; empty when it has none or is unreadable.
QString profileDescription(const QByteArray& icc);

// True when the RGB profile is sRGB in all but name: sRGB's colorants and tone curves, so that
// converting from it would change no pixel.
bool isSrgbProfile(const QByteArray& icc);

// A profile for the colour description (ITU-T H.273 colour primaries and transfer codes) HEIF and
// AVIF files give instead of one: Display P3, Rec. 2020 and the like, with sRGB's, a gamma or a
// linear curve. Empty for sRGB, for unknown codes (the pixels are then taken as sRGB) and for
// PQ and HLG, whose pixels the decoders bring to SDR sRGB themselves (hdrtosdr.h).
QByteArray profileForCicp(int primaries, int transfer);

// The chromaticities of the primaries and the white a colour description names by its
// primaries code; none for a code without a known meaning.
std::optional<Chromaticities> chromaticitiesForCicp(int primaries);

// True for an RGB profile lcms2 can convert from: one whose header passes but whose tags cannot
// be linked into a transform is of no use to any reader of the output, and some (libjxl) fail on
// it.
bool canConvert(const QByteArray& icc);

// A small sRGB profile for outputs converted to sRGB.
const QByteArray& compactSrgbProfile();

// Converts the pixels from the picture's embedded profile to sRGB and removes the profile:
// an RGB profile other than sRGB and a grey one (of a grey picture) convert; no profile, sRGB,
// and a profile that cannot describe the pixels (CMYK after a decoder has already made them
// RGB, a damaged one, a grey one on colours) leave the pixels as they are. False when a profile
// could not be used and was dropped.
bool convertToSrgb(Picture& picture);

// Converts CMYK samples (4 bytes a pixel, inverted as Adobe writes them when `inverted`) through
// a CMYK profile into opaque sRGB pixels. Made once for a picture, used for each band of rows.
class CmykToSrgb {
public:
    CmykToSrgb(const QByteArray& icc, bool inverted);
    // False when the profile cannot be used; the caller then converts without it.
    bool valid() const { return transform_ != nullptr; }
    void convert(const unsigned char* cmyk, QRgb* out, std::size_t pixels) const;

private:
    std::shared_ptr<void> transform_;
};

} // namespace pix::imaging::colour
