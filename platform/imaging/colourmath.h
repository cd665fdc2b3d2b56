// Colour arithmetic for the conversions made here rather than by lcms2 (TIFF L*a*b* pixels, HDR
// signals): 3x3 matrices over linear light, primaries to XYZ, Bradford's adaptation between
// whites, and sRGB's curve to 8-bit levels.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

namespace pix::imaging::colour {

// The chromaticities (x, y) of the red, green and blue primaries and the white of an RGB space.
struct Chromaticities {
    double red[2];
    double green[2];
    double blue[2];
    double white[2];
};

inline constexpr Chromaticities kSrgbChromaticities{
    {0.64, 0.33}, {0.30, 0.60}, {0.15, 0.06}, {0.3127, 0.3290}};

using Matrix3 = std::array<double, 9>; // row by row
using Vector3 = std::array<double, 3>;

Matrix3 multiply(const Matrix3& a, const Matrix3& b);
Vector3 transformed(const Matrix3& m, const Vector3& v);
Matrix3 inverse(const Matrix3& m);

// XYZ of a chromaticity at Y = 1.
Vector3 xyzOfChromaticity(double x, double y);
inline Vector3 xyzOfChromaticity(const double xy[2]) {
    return xyzOfChromaticity(xy[0], xy[1]);
}

// Linear RGB of the primaries to XYZ, their white at Y = 1.
Matrix3 rgbToXyz(const Chromaticities& space);

// Bradford's adaptation: XYZ of colours seen under one white (given as XYZ) to how they look
// under another.
Matrix3 bradford(const Vector3& from, const Vector3& to);

// sRGB's curve as a table over linear light: the curve's power is too slow for every sample of a
// large picture, and the table's steps are fine enough that the darkest levels, where the curve
// is steepest, are told apart. Entry i is the 8-bit level of linear light i / kSrgbSteps.
inline constexpr int kSrgbSteps = 16384;
using SrgbLevels = std::array<std::uint8_t, kSrgbSteps + 1>;
const SrgbLevels& srgbLevels();

// The level of linear sRGB light (clamped to 0..1), from the table a converter keeps at hand.
inline int srgbLevel(const SrgbLevels& levels, float linear) {
    return levels[std::size_t(std::clamp(linear, 0.0f, 1.0f) * kSrgbSteps + 0.5f)];
}

} // namespace pix::imaging::colour
