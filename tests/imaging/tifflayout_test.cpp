// TIFF layouts libtiff's RGBA reader does not take: grey of 9 to 15 bits in tiles, and CIE
// L*a*b* with an alpha channel, contiguous or planar, in strips or tiles.
#include "imaging/testpictures.h"
#include "imaging/tiffbuilder.h"
#include "platform/imaging/decoder.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <tiffio.h>

namespace pix::imaging {
namespace {

using test::decodeBytes;

QRgb rawPixel(const Picture& picture, int x, int y) {
    return reinterpret_cast<const QRgb*>(picture.image().constScanLine(y))[x];
}

TEST(TiffLayout, GreyOfEveryDepthInTilesAndStripsGivesItsLevels) {
    for (int bits : {1, 2, 4, 9, 10, 12, 14, 15}) {
        for (bool tiled : {false, true}) {
            for (int photometric : {PHOTOMETRIC_MINISBLACK, PHOTOMETRIC_MINISWHITE}) {
                SCOPED_TRACE(testing::Message() << bits << " bits" << (tiled ? " tiles" : " strips")
                                                << " photometric " << photometric);
                const std::uint32_t top = (1u << bits) - 1;
                test::TiffShape shape;
                shape.width = 37; // partial tiles at the right and bottom edges
                shape.height = 21;
                shape.samples = 1;
                shape.bits = bits;
                shape.photometric = photometric;
                shape.tiled = tiled;
                shape.sample = [top](int x, int y, int) {
                    return std::uint32_t(x * 131 + y * 977) % (top + 1);
                };
                Picture picture;
                ASSERT_EQ(decodeBytes(test::writeTiff(shape), picture), Status::Ok);
                ASSERT_EQ(picture.image().size(), QSize(37, 21));
                EXPECT_FALSE(picture.hasAlpha());
                int wrong = 0;
                for (int y = 0; y < shape.height; ++y) {
                    for (int x = 0; x < shape.width; ++x) {
                        int grey = int(shape.sample(x, y, 0) * 255 + top / 2) / int(top);
                        if (photometric == PHOTOMETRIC_MINISWHITE)
                            grey = 255 - grey;
                        const QRgb p = rawPixel(picture, x, y);
                        if (std::abs(qRed(p) - grey) <= 1 && qRed(p) == qGreen(p) &&
                            qRed(p) == qBlue(p) && qAlpha(p) == 255)
                            continue;
                        if (wrong++ == 0)
                            ADD_FAILURE() << "first wrong pixel at " << x << "," << y << ": "
                                          << std::hex << p << " for grey " << std::dec << grey;
                    }
                }
                EXPECT_EQ(wrong, 0);
            }
        }
    }
}

// The L*a*b* samples of sRGB red (L* 54.29, a* 80.81, b* 69.89 against D50) and of white, as
// stored at a depth: L* scaled to the sample's range, a* and b* signed (in 1/256 at 16 bits).
std::uint32_t labSample(int bits, bool red, int s) {
    const double lab[3] = {red ? 54.29 : 100.0, red ? 80.81 : 0.0, red ? 69.89 : 0.0};
    const double scale = s == 0 ? (bits == 8 ? 2.55 : 655.35) : (bits == 8 ? 1.0 : 256.0);
    const long v = std::lround(lab[s] * scale);
    return std::uint32_t(v) & (bits == 8 ? 0xFFu : 0xFFFFu);
}

TEST(TiffLayout, LabWithAlphaInEveryLayoutIsItsColourOverItsCoverage) {
    for (int bits : {8, 16}) {
        for (bool planar : {false, true}) {
            for (bool tiled : {false, true}) {
                for (int samples : {3, 4}) {
                    // Big-endian files in some layouts: 16-bit samples are stored swapped.
                    const bool bigEndian = planar != tiled;
                    SCOPED_TRACE(testing::Message()
                                 << bits << " bits " << (planar ? "planar " : "contiguous ")
                                 << (tiled ? "tiles " : "strips ") << samples
                                 << (bigEndian ? " big-endian" : ""));
                    const std::uint32_t opaque = bits == 8 ? 0xFFu : 0xFFFFu;
                    const std::uint32_t half = bits == 8 ? 0x80u : 0x8080u;
                    test::TiffShape shape;
                    shape.width = 21;
                    shape.height = 19;
                    shape.bits = bits;
                    shape.samples = samples;
                    shape.photometric = PHOTOMETRIC_CIELAB;
                    shape.planar = planar;
                    shape.tiled = tiled;
                    shape.bigEndian = bigEndian;
                    shape.extraSample = samples == 4 ? EXTRASAMPLE_UNASSALPHA : -1;
                    // Red on the left, white on the right; the bottom rows half covered.
                    shape.sample = [=](int x, int y, int s) {
                        if (s == 3)
                            return y >= 10 ? half : opaque;
                        return labSample(bits, x < 10, s);
                    };
                    Picture picture;
                    ASSERT_EQ(decodeBytes(test::writeTiff(shape), picture), Status::Ok);
                    ASSERT_EQ(picture.image().size(), QSize(21, 19));
                    EXPECT_EQ(picture.hasAlpha(), samples == 4);
                    const QRgb red = rawPixel(picture, 2, 2), white = rawPixel(picture, 20, 2);
                    EXPECT_NEAR(qRed(red), 255, 3);
                    EXPECT_LE(qGreen(red), 3);
                    EXPECT_LE(qBlue(red), 3);
                    EXPECT_EQ(white, qRgb(255, 255, 255)); // L* 100 is white, not cream
                    // Premultiplied: half-covered white is 128 in every channel.
                    const QRgb halfWhite = rawPixel(picture, 20, 18);
                    if (samples == 4)
                        EXPECT_EQ(halfWhite, qRgba(128, 128, 128, 128));
                    else
                        EXPECT_EQ(halfWhite, qRgb(255, 255, 255));
                    const QRgb halfRed = rawPixel(picture, 0, 18);
                    EXPECT_EQ(qAlpha(halfRed), samples == 4 ? 128 : 255);
                    EXPECT_NEAR(qRed(halfRed), samples == 4 ? 128 : 255, 3);
                }
            }
        }
    }
    // Two samples: not a layout of L*a*b*, refused. (A twoth sample not declared extra is read
    // by libtiff as an unspecified extra sample, and ignored.)
    test::TiffShape two;
    two.samples = 2;
    two.photometric = PHOTOMETRIC_CIELAB;
    two.sample = [](int, int, int) { return 100u; };
    Picture picture;
    EXPECT_NE(decodeBytes(test::writeTiff(two), picture), Status::Ok);
    EXPECT_TRUE(picture.isNull());
    EXPECT_TRUE(lastDecodeDetail().contains("L*a*b*"))
        << qPrintable(lastDecodeDetail()); // says why
}

TEST(TiffLayout, LabWithAssociatedAlphaIsNotPremultipliedTwice) {
    // Associated alpha stores the colour already multiplied by its coverage: L* 100 at half
    // coverage is stored as L* 50 (and a pixel with no coverage stores nothing).
    test::TiffShape shape;
    shape.samples = 4;
    shape.photometric = PHOTOMETRIC_CIELAB;
    shape.extraSample = EXTRASAMPLE_ASSOCALPHA;
    shape.sample = [](int x, int, int s) {
        const std::uint32_t alpha = x < 4 ? 128 : 0;
        return s == 3 ? alpha : s == 0 ? alpha : 0u;
    };
    Picture picture;
    ASSERT_EQ(decodeBytes(test::writeTiff(shape), picture), Status::Ok);
    EXPECT_EQ(rawPixel(picture, 0, 0), qRgba(128, 128, 128, 128));
    EXPECT_EQ(rawPixel(picture, 6, 0), 0u);
}

} // namespace
} // namespace pix::imaging
