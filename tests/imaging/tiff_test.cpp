// TIFF through libtiff: hostile headers refused within bounded memory, and the layouts people
// have (16-bit, planar, tiled, BigTIFF) read to the values they store.
#include "imaging/memorywatch.h"
#include "imaging/testpictures.h"
#include "imaging/tiffbuilder.h"
#include "platform/imaging/decoder.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <tiffio.h>

namespace pix::imaging {
namespace {

using test::decodeBytes;
using test::measureBytes;

// 16384 x 16384 pixels in one strip: within the pixel bound, but a strip of gigabytes that the
// 64 bytes after the header cannot fill.
QByteArray hugeStripClaim(std::uint32_t compression, std::uint32_t samples, std::uint32_t bits,
                          std::uint32_t byteCount = 64, std::uint32_t rowsPerStrip = 16384) {
    return test::handMadeTiff({{256, 16384},
                               {257, 16384},
                               {258, bits},
                               {259, compression},
                               {262, samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK},
                               {273, 0},
                               {277, samples},
                               {278, rowsPerStrip},
                               {279, byteCount},
                               {284, PLANARCONFIG_CONTIG}},
                              QByteArray(64, '\x80'));
}

// The same claim in one tile of 16384 x 16384, for the layouts read tile by tile without
// libtiff's RGBA reader: deep grey, and L*a*b* with alpha.
QByteArray hugeTileClaim(std::uint32_t photometric, std::uint32_t samples, std::uint32_t bits) {
    constexpr std::uint32_t kTags = 12, kBody = 8 + 2 + kTags * 12 + 4;
    return test::handMadeTiff({{256, 16384},
                               {257, 16384},
                               {258, bits},
                               {259, COMPRESSION_LZW},
                               {262, photometric},
                               {277, samples},
                               {284, PLANARCONFIG_CONTIG},
                               {322, 16384},
                               {323, 16384},
                               {324, kBody},
                               {325, 64},
                               // the alpha of L*a*b*, unsigned samples of grey
                               samples > 3 ? std::pair<std::uint16_t, std::uint32_t>{338, 2}
                                           : std::pair<std::uint16_t, std::uint32_t>{339, 1}},
                              QByteArray(64, '\x80'));
}

TEST(TiffBounds, TinyFilesClaimingHugeStripsAreRefusedWithoutTheirMemory) {
    const QByteArray hostile[] = {
        hugeStripClaim(COMPRESSION_LZW, 3, 8),
        hugeStripClaim(COMPRESSION_ADOBE_DEFLATE, 3, 8),
        hugeStripClaim(COMPRESSION_PACKBITS, 3, 8),
        hugeStripClaim(COMPRESSION_LZW, 4, 16),
        hugeStripClaim(COMPRESSION_NONE, 3, 8, 0x7FFFFFFF),
        hugeStripClaim(COMPRESSION_LZW, 1, 16),
        hugeStripClaim(COMPRESSION_LZW, 1, 12),        // grey read strip by strip
        hugeStripClaim(COMPRESSION_LZW, 65535, 16),    // rows of gigabytes
        hugeStripClaim(COMPRESSION_LZW, 3, 8, 64, 16), // small strips, a huge picture
        hugeTileClaim(PHOTOMETRIC_MINISBLACK, 1, 12),
        hugeTileClaim(PHOTOMETRIC_CIELAB, 4, 16),
    };
    for (const QByteArray& file : hostile) {
        SCOPED_TRACE(testing::PrintToString(file.toHex()));
        const test::PeakGrowth growth;
        Picture picture;
        EXPECT_NE(decodeBytes(file, picture), Status::Ok);
        EXPECT_TRUE(picture.isNull());
        EXPECT_LT(growth.megabytes(), 40);
    }
}

std::uint32_t sample16(int x, int y, int s) {
    return std::uint32_t(x * 4099 + y * 1801 + s * 9001 + 0x2000) & 0xFFFF;
}

// The stored 16-bit value as an 8-bit channel, within rounding.
bool near8(int actual, std::uint32_t stored) {
    return std::abs(actual - int(stored >> 8)) <= 1;
}

// Every pixel against the stored samples; reports the first that differs and how many do.
void expectRgb16(const Picture& picture, const test::TiffShape& shape) {
    ASSERT_EQ(picture.image().size(), QSize(shape.width, shape.height));
    const QImage straight = picture.toStraightArgb();
    int wrong = 0;
    for (int y = 0; y < shape.height; ++y) {
        for (int x = 0; x < shape.width; ++x) {
            const QRgb p = straight.pixel(x, y);
            const bool alphaRight =
                shape.samples == 4 ? near8(qAlpha(p), shape.sample(x, y, 3)) : qAlpha(p) == 255;
            if (near8(qRed(p), shape.sample(x, y, 0)) && near8(qGreen(p), shape.sample(x, y, 1)) &&
                near8(qBlue(p), shape.sample(x, y, 2)) && alphaRight)
                continue;
            if (wrong++ == 0)
                ADD_FAILURE() << "first wrong pixel at " << x << "," << y << ": " << std::hex << p;
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST(Tiff, SixteenBitRgbAndRgbaInEveryLayoutGiveTheStoredValues) {
    for (bool planar : {false, true}) {
        for (bool tiled : {false, true}) {
            for (int samples : {3, 4}) {
                SCOPED_TRACE(testing::Message() << (planar ? "planar " : "contiguous ")
                                                << (tiled ? "tiles " : "strips ") << samples);
                test::TiffShape shape;
                shape.width = 37; // partial tiles at the right and bottom edges
                shape.height = 21;
                shape.bits = 16;
                shape.samples = samples;
                shape.planar = planar;
                shape.tiled = tiled;
                shape.extraSample = samples == 4 ? EXTRASAMPLE_ASSOCALPHA : -1;
                // Alpha stays high so that the colours survive premultiplication exactly enough.
                shape.sample = [samples](int x, int y, int s) {
                    return s == 3 && samples == 4 ? 0xFF00u | std::uint32_t(x + y)
                                                  : sample16(x, y, s);
                };
                if (samples == 4) // associated alpha: store the colours premultiplied
                    shape.sample = [](int x, int y, int s) {
                        return s == 3 ? 0xFFFFu : sample16(x, y, s);
                    };
                const QByteArray file = test::writeTiff(shape);
                Picture first, second;
                ASSERT_EQ(decodeBytes(file, first), Status::Ok);
                ASSERT_EQ(decodeBytes(file, second), Status::Ok);
                expectRgb16(first, shape);
                EXPECT_EQ(first.image(), second.image()); // nothing left to chance
            }
        }
    }
}

TEST(Tiff, UnassociatedAlphaIsPremultipliedOnce) {
    test::TiffShape shape;
    shape.samples = 4;
    shape.extraSample = EXTRASAMPLE_UNASSALPHA;
    shape.sample = [](int x, int, int s) {
        return s == 3 ? std::uint32_t(x < 4 ? 255 : 128) : std::uint32_t(s == 0 ? 200 : 40);
    };
    Picture picture;
    ASSERT_EQ(decodeBytes(test::writeTiff(shape), picture), Status::Ok);
    const QImage straight = picture.toStraightArgb();
    EXPECT_EQ(straight.pixel(0, 0), qRgba(200, 40, 40, 255));
    const QRgb half = straight.pixel(6, 3);
    EXPECT_EQ(qAlpha(half), 128);
    EXPECT_NEAR(qRed(half), 200, 2);
    EXPECT_NEAR(qGreen(half), 40, 2);
}

TEST(Tiff, BigTiffAndCompressedStripsRead) {
    for (int compression :
         {COMPRESSION_NONE, COMPRESSION_LZW, COMPRESSION_ADOBE_DEFLATE, COMPRESSION_PACKBITS}) {
        for (bool big : {false, true}) {
            SCOPED_TRACE(testing::Message() << compression << (big ? " BigTIFF" : ""));
            test::TiffShape shape;
            shape.width = 23;
            shape.height = 9;
            shape.bigTiff = big;
            shape.compression = compression;
            shape.sample = [](int x, int y, int s) { return std::uint32_t(x * 10 + y * 3 + s); };
            const QByteArray file = test::writeTiff(shape);
            QSize size;
            ASSERT_EQ(measureBytes(file, size), Status::Ok);
            EXPECT_EQ(size, QSize(23, 9));
            Picture picture;
            ASSERT_EQ(decodeBytes(file, picture), Status::Ok);
            EXPECT_FALSE(picture.hasAlpha());
            EXPECT_EQ(picture.image().pixel(22, 8), qRgb(22 * 10 + 24, 22 * 10 + 25, 22 * 10 + 26));
        }
    }
}

TEST(Tiff, CieLabWhiteIsWhite) {
    test::TiffShape shape;
    shape.photometric = PHOTOMETRIC_CIELAB;
    // L* = 100 and 50 with a* = b* = 0 (signed, stored as 0): white and a middle grey.
    shape.sample = [](int x, int, int s) { return s == 0 ? std::uint32_t(x < 4 ? 255 : 128) : 0u; };
    Picture picture;
    ASSERT_EQ(decodeBytes(test::writeTiff(shape), picture), Status::Ok);
    const QRgb white = picture.image().pixel(0, 0);
    EXPECT_GE(qRed(white), 253);
    EXPECT_GE(qGreen(white), 253);
    EXPECT_GE(qBlue(white), 253);
    const QRgb grey = picture.image().pixel(6, 0); // L* 50 is sRGB 119
    EXPECT_NEAR(qRed(grey), 119, 3);
    EXPECT_NEAR(qGreen(grey), 119, 3);
    EXPECT_NEAR(qBlue(grey), 119, 3);
}

TEST(Tiff, TwelveBitGreyReadsItsLevels) {
    test::TiffShape shape;
    shape.samples = 1;
    shape.bits = 12;
    shape.photometric = PHOTOMETRIC_MINISBLACK;
    shape.sample = [](int x, int, int) { return std::uint32_t(x * 585); }; // 0 .. 4095
    Picture picture;
    ASSERT_EQ(decodeBytes(test::writeTiff(shape), picture), Status::Ok);
    EXPECT_EQ(picture.image().pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_NEAR(qGray(picture.image().pixel(7, 2)), 255, 1);
    EXPECT_NEAR(qGray(picture.image().pixel(4, 2)), 4 * 585 * 255 / 4095, 1);
}

TEST(Tiff, OrientationTagTurnsThePictureUpright) {
    // Stored 4 x 2 with the red pixel first; orientation 6 means the stored top row is the
    // right column of the upright picture.
    test::TiffShape shape;
    shape.width = 4;
    shape.height = 2;
    shape.orientation = 6;
    shape.sample = [](int x, int y, int s) {
        return std::uint32_t(x == 0 && y == 0 ? (s == 0 ? 255 : 0) : 255);
    };
    const QByteArray file = test::writeTiff(shape);
    QSize size;
    ASSERT_EQ(measureBytes(file, size), Status::Ok);
    EXPECT_EQ(size, QSize(2, 4));
    Picture picture;
    ASSERT_EQ(decodeBytes(file, picture), Status::Ok);
    ASSERT_EQ(picture.image().size(), QSize(2, 4));
    EXPECT_EQ(picture.image().pixel(1, 0), test::kRed);
    EXPECT_EQ(picture.image().pixel(0, 0), qRgb(255, 255, 255));
}

} // namespace
} // namespace pix::imaging
