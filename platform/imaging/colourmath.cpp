#include "platform/imaging/colourmath.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace pix::imaging::colour {

Matrix3 multiply(const Matrix3& a, const Matrix3& b) {
    Matrix3 m{};
    for (std::size_t r = 0; r < 3; ++r)
        for (std::size_t c = 0; c < 3; ++c)
            for (std::size_t k = 0; k < 3; ++k)
                m[r * 3 + c] += a[r * 3 + k] * b[k * 3 + c];
    return m;
}

Vector3 transformed(const Matrix3& m, const Vector3& v) {
    return {m[0] * v[0] + m[1] * v[1] + m[2] * v[2], m[3] * v[0] + m[4] * v[1] + m[5] * v[2],
            m[6] * v[0] + m[7] * v[1] + m[8] * v[2]};
}

Matrix3 inverse(const Matrix3& m) {
    const double det = m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) +
                       m[2] * (m[3] * m[7] - m[4] * m[6]);
    const double d = 1 / det;
    return {(m[4] * m[8] - m[5] * m[7]) * d, (m[2] * m[7] - m[1] * m[8]) * d,
            (m[1] * m[5] - m[2] * m[4]) * d, (m[5] * m[6] - m[3] * m[8]) * d,
            (m[0] * m[8] - m[2] * m[6]) * d, (m[2] * m[3] - m[0] * m[5]) * d,
            (m[3] * m[7] - m[4] * m[6]) * d, (m[1] * m[6] - m[0] * m[7]) * d,
            (m[0] * m[4] - m[1] * m[3]) * d};
}

Vector3 xyzOfChromaticity(double x, double y) {
    return {x / y, 1, (1 - x - y) / y};
}

Matrix3 rgbToXyz(const Chromaticities& space) {
    const Vector3 r = xyzOfChromaticity(space.red), g = xyzOfChromaticity(space.green),
                  b = xyzOfChromaticity(space.blue);
    const Matrix3 primaries{r[0], g[0], b[0], r[1], g[1], b[1], r[2], g[2], b[2]};
    // Each primary scaled so that the three together make the white.
    const Vector3 scale = transformed(inverse(primaries), xyzOfChromaticity(space.white));
    Matrix3 m = primaries;
    for (std::size_t row = 0; row < 3; ++row)
        for (std::size_t col = 0; col < 3; ++col)
            m[row * 3 + col] *= scale[col];
    return m;
}

Matrix3 bradford(const Vector3& from, const Vector3& to) {
    constexpr Matrix3 kCone{0.8951, 0.2664, -0.1614, -0.7502, 1.7135,
                            0.0367, 0.0389, -0.0685, 1.0296};
    const Vector3 f = transformed(kCone, from), t = transformed(kCone, to);
    const Matrix3 gain{t[0] / f[0], 0, 0, 0, t[1] / f[1], 0, 0, 0, t[2] / f[2]};
    return multiply(inverse(kCone), multiply(gain, kCone));
}

const SrgbLevels& srgbLevels() {
    static const SrgbLevels table = [] {
        SrgbLevels t{};
        for (int i = 0; i <= kSrgbSteps; ++i) {
            const double l = double(i) / kSrgbSteps;
            const double v = l <= 0.0031308 ? 12.92 * l : 1.055 * std::pow(l, 1 / 2.4) - 0.055;
            t[std::size_t(i)] = std::uint8_t(std::lround(std::clamp(v, 0.0, 1.0) * 255));
        }
        return t;
    }();
    return table;
}

} // namespace pix::imaging::colour
