// CIE L*a*b* TIFF (signed a* and b*) and ICC L*a*b* TIFF (unsigned), 8 and 16 bits, against
// lcms2's conversion of the same L*a*b* values to sRGB: relative to the file's white (D50 unless
// the file names another), adapted to the display's.
#include "imaging/testpictures.h"
#include "imaging/tiffbuilder.h"
#include "platform/imaging/decoder.h"

#include <cmath>
#include <gtest/gtest.h>
#include <lcms2.h>
#include <tiffio.h>

namespace pix::imaging {
namespace {

// A grid of L*, a* and b* from black to white and across the whole range of a* and b*, many of
// them beyond what sRGB shows.
constexpr double kL[] = {0, 10, 25, 50, 75, 90, 100};
constexpr double kAB[] = {-128, -80, -30, 0, 30, 80, 127};
constexpr int kSide = 7;

struct Encoding {
    const char* what;
    int photometric, bits;
    float whitePoint[2]; // none when 0
};

// The stored sample of an L*, a* or b* value.
std::uint32_t stored(const Encoding& e, int s, double v) {
    const bool signedAB = e.photometric == PHOTOMETRIC_CIELAB;
    if (e.bits == 8) {
        if (s == 0)
            return std::uint32_t(std::lround(v * 2.55));
        return signedAB ? std::uint32_t(std::uint8_t(std::int8_t(v))) : std::uint32_t(v + 128);
    }
    if (s == 0) // ICC's 16-bit L* puts 100 at 0xFF00
        return std::uint32_t(std::lround(v * (signedAB ? 655.35 : 652.80)));
    return signedAB ? std::uint32_t(std::uint16_t(std::int16_t(std::lround(v * 256))))
                    : std::uint32_t(std::lround((v + 128) * 256));
}

// The L*a*b* value a stored sample stands for.
double value(const Encoding& e, int s, std::uint32_t v) {
    const bool signedAB = e.photometric == PHOTOMETRIC_CIELAB;
    if (e.bits == 8)
        return s == 0 ? v / 2.55 : signedAB ? double(std::int8_t(v)) : double(v) - 128;
    if (s == 0)
        return v / (signedAB ? 655.35 : 652.80);
    return signedAB ? std::int16_t(v) / 256.0 : v / 256.0 - 128;
}

// lcms2's sRGB for L*a*b* relative to the white: adapted to D50 by Bradford, then lcms2's
// L*a*b* (D50) to sRGB, relative colorimetric, in floating point.
class Lcms {
public:
    Lcms() {
        cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
        cmsHPROFILE srgb = cmsCreate_sRGBProfile();
        transform_ = cmsCreateTransform(lab, TYPE_Lab_DBL, srgb, TYPE_RGB_DBL,
                                        INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOOPTIMIZE);
        cmsCloseProfile(lab);
        cmsCloseProfile(srgb);
    }
    ~Lcms() { cmsDeleteTransform(transform_); }

    QRgb rgb(cmsCIELab lab, const float whitePoint[2]) const {
        if (whitePoint[0] > 0) {
            const cmsCIExyY white{whitePoint[0], whitePoint[1], 1.0};
            cmsCIEXYZ whiteXyz, xyz, adapted;
            cmsxyY2XYZ(&whiteXyz, &white);
            cmsLab2XYZ(&whiteXyz, &xyz, &lab);
            cmsAdaptToIlluminant(&adapted, &whiteXyz, cmsD50_XYZ(), &xyz);
            cmsXYZ2Lab(cmsD50_XYZ(), &lab, &adapted);
        }
        double out[3];
        cmsDoTransform(transform_, &lab, out, 1);
        auto level = [](double v) { return int(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
        return qRgb(level(out[0]), level(out[1]), level(out[2]));
    }

private:
    cmsHTRANSFORM transform_;
};

TEST(TiffLab, EveryEncodingGivesLcmsColours) {
    const Encoding encodings[] = {
        {"CIE L*a*b*, 8 bits", PHOTOMETRIC_CIELAB, 8, {0, 0}},
        {"CIE L*a*b*, 16 bits", PHOTOMETRIC_CIELAB, 16, {0, 0}},
        {"ICC L*a*b*, 8 bits", PHOTOMETRIC_ICCLAB, 8, {0, 0}},
        {"ICC L*a*b*, 16 bits", PHOTOMETRIC_ICCLAB, 16, {0, 0}},
        {"CIE L*a*b* against a D65 white", PHOTOMETRIC_CIELAB, 8, {0.3127f, 0.3290f}},
    };
    const Lcms lcms;
    for (const Encoding& e : encodings) {
        SCOPED_TRACE(e.what);
        test::TiffShape shape;
        shape.width = kSide * kSide;
        shape.height = kSide;
        shape.bits = e.bits;
        shape.photometric = e.photometric;
        shape.whitePoint[0] = e.whitePoint[0];
        shape.whitePoint[1] = e.whitePoint[1];
        auto sampleValue = [](int x, int y, int s) {
            return s == 0 ? kL[y] : s == 1 ? kAB[x / kSide] : kAB[x % kSide];
        };
        shape.sample = [&](int x, int y, int s) { return stored(e, s, sampleValue(x, y, s)); };
        Picture picture;
        ASSERT_EQ(test::decodeBytes(test::writeTiff(shape), picture), Status::Ok)
            << qPrintable(lastDecodeDetail());
        int worst = 0, wrong = 0;
        for (int y = 0; y < shape.height; ++y) {
            for (int x = 0; x < shape.width; ++x) {
                const cmsCIELab lab{value(e, 0, shape.sample(x, y, 0)),
                                    value(e, 1, shape.sample(x, y, 1)),
                                    value(e, 2, shape.sample(x, y, 2))};
                const QRgb want = lcms.rgb(lab, e.whitePoint), got = picture.image().pixel(x, y);
                const int difference = std::max({std::abs(qRed(got) - qRed(want)),
                                                 std::abs(qGreen(got) - qGreen(want)),
                                                 std::abs(qBlue(got) - qBlue(want))});
                if (difference > 1 && wrong++ == 0)
                    ADD_FAILURE() << "L*a*b* " << lab.L << " " << lab.a << " " << lab.b << ": "
                                  << std::hex << got << " for " << want;
                worst = std::max(worst, difference);
            }
        }
        EXPECT_EQ(wrong, 0) << "pixels more than a level off; the worst by " << worst;
    }
}

} // namespace
} // namespace pix::imaging
