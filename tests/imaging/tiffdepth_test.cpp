// TIFF samples deeper than libtiff's RGBA reader takes: 32-bit floats and integers, 16-bit
// floats, 16-bit grey with its alpha and 16-bit CMYK. Each file must decode to what the same
// picture stored at 8 bits decodes to; the layouts that are not read say why.
#include "imaging/testpictures.h"
#include "imaging/tiffbuilder.h"
#include "platform/imaging/decoder.h"

#include <bit>
#include <cmath>
#include <gtest/gtest.h>
#include <tiffio.h>

namespace pix::imaging {
namespace {

using test::decodeBytes;

// The 8-bit level of sample s at (x, y): the first column is 0 and the last 255 in every
// sample, where the floats below go beyond their range.
std::uint32_t level(int x, int y, int s, int width) {
    if (x == 0 || x == width - 1)
        return x == 0 ? 0 : 255;
    return std::uint32_t(x * 37 + y * 11 + s * 71 + 20) % 256;
}

// A float of 0 to 1 as IEEE half-precision bits, rounded to the nearest.
std::uint32_t halfBits(float v) {
    if (v <= 0)
        return 0;
    int exponent = 0;
    const float mantissa = std::frexp(v, &exponent); // v = mantissa * 2^exponent, 0.5 <= m < 1
    const auto bits = std::uint32_t(std::lround(mantissa * 2048)); // 1024 to 2048, the leading 1
    return std::uint32_t(exponent + 14) << 10 | (bits - 1024);
}

// The stored value for an 8-bit level in a sample of the given bits and format, with the floats
// of the first and last columns beyond 0 and 1.
std::uint32_t encode(std::uint32_t level8, int bits, int format, bool beyond) {
    if (format == SAMPLEFORMAT_IEEEFP) {
        float v = float(level8) / 255;
        if (beyond)
            v = level8 == 0 ? -0.5f : 1.5f;
        return bits == 16 ? (v < 0 ? 0xB800u : halfBits(v)) : std::bit_cast<std::uint32_t>(v);
    }
    if (bits == 8)
        return level8;
    if (bits == 16)
        return level8 * 257;
    return level8 << 24 | 0x00ABCDEFu; // only the top bits count
}

// The largest difference of any channel of the stored, premultiplied pixels.
int premultipliedDifference(const QImage& a, const QImage& b) {
    int most = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            for (int shift : {0, 8, 16, 24})
                most = std::max(most, std::abs(int(p >> shift & 0xFF) - int(q >> shift & 0xFF)));
        }
    }
    return most;
}

struct Deep {
    const char* what;
    int photometric, samples, extraSample, bits, format;
    bool planar = false, tiled = false;
    int compression = COMPRESSION_NONE;
};

const Deep kDeep[] = {
    {"float grey", PHOTOMETRIC_MINISBLACK, 1, -1, 32, SAMPLEFORMAT_IEEEFP},
    {"float grey, white is zero", PHOTOMETRIC_MINISWHITE, 1, -1, 32, SAMPLEFORMAT_IEEEFP},
    {"float RGB", PHOTOMETRIC_RGB, 3, -1, 32, SAMPLEFORMAT_IEEEFP},
    {"float RGB planar in tiles", PHOTOMETRIC_RGB, 3, -1, 32, SAMPLEFORMAT_IEEEFP, true, true},
    {"float RGBA", PHOTOMETRIC_RGB, 4, EXTRASAMPLE_UNASSALPHA, 32, SAMPLEFORMAT_IEEEFP},
    {"float RGB, deflate", PHOTOMETRIC_RGB, 3, -1, 32, SAMPLEFORMAT_IEEEFP, false, false,
     COMPRESSION_ADOBE_DEFLATE},
    {"half-float grey", PHOTOMETRIC_MINISBLACK, 1, -1, 16, SAMPLEFORMAT_IEEEFP},
    {"half-float RGB", PHOTOMETRIC_RGB, 3, -1, 16, SAMPLEFORMAT_IEEEFP},
    {"32-bit grey", PHOTOMETRIC_MINISBLACK, 1, -1, 32, SAMPLEFORMAT_UINT},
    {"32-bit RGB, LZW", PHOTOMETRIC_RGB, 3, -1, 32, SAMPLEFORMAT_UINT, false, false,
     COMPRESSION_LZW},
    {"16-bit grey with alpha", PHOTOMETRIC_MINISBLACK, 2, EXTRASAMPLE_UNASSALPHA, 16,
     SAMPLEFORMAT_UINT},
    {"8-bit grey with alpha", PHOTOMETRIC_MINISBLACK, 2, EXTRASAMPLE_UNASSALPHA, 8,
     SAMPLEFORMAT_UINT},
    {"16-bit grey, white is zero", PHOTOMETRIC_MINISWHITE, 1, -1, 16, SAMPLEFORMAT_UINT},
    {"16-bit CMYK", PHOTOMETRIC_SEPARATED, 4, -1, 16, SAMPLEFORMAT_UINT},
    {"16-bit CMYK planar, LZW", PHOTOMETRIC_SEPARATED, 4, -1, 16, SAMPLEFORMAT_UINT, true, false,
     COMPRESSION_LZW},
};

TEST(TiffDepth, DeepSamplesGiveWhatTheirEightBitLevelsGive) {
    for (const Deep& d : kDeep) {
        SCOPED_TRACE(d.what);
        test::TiffShape shape;
        shape.width = 21;
        shape.height = 19;
        shape.photometric = d.photometric;
        shape.samples = d.samples;
        shape.extraSample = d.extraSample;
        shape.planar = d.planar;
        shape.tiled = d.tiled;
        shape.compression = d.compression;
        const int width = shape.width;
        shape.sample = [width](int x, int y, int s) { return level(x, y, s, width); };
        // libtiff's reader takes an 8-bit grey's alpha as associated: the reference for grey
        // with alpha is the same grey in RGB.
        const bool greyAlpha = d.samples == 2;
        if (greyAlpha) {
            shape.photometric = PHOTOMETRIC_RGB;
            shape.samples = 4;
            shape.sample = [width](int x, int y, int s) { return level(x, y, s / 3, width); };
        }
        Picture want;
        ASSERT_EQ(decodeBytes(test::writeTiff(shape), want), Status::Ok);
        shape.photometric = d.photometric;
        shape.samples = d.samples;

        shape.bits = d.bits;
        shape.sampleFormat = d.format;
        shape.sample = [&d, width](int x, int y, int s) {
            const bool beyond = x == 0 || x == width - 1;
            return encode(level(x, y, s, width), d.bits, d.format, beyond);
        };
        Picture got;
        ASSERT_EQ(decodeBytes(test::writeTiff(shape), got), Status::Ok)
            << qPrintable(lastDecodeDetail());
        EXPECT_EQ(got.hasAlpha(), d.extraSample >= 0);
        // libtiff premultiplies the 8-bit alpha with its own rounding.
        EXPECT_LE(premultipliedDifference(got.image(), want.image()), d.extraSample < 0 ? 0 : 1);
    }
}

TEST(TiffDepth, LayoutsThatAreNotReadSayWhy) {
    auto strip = [](std::uint32_t bits, std::uint32_t compression, std::uint32_t photometric,
                    std::uint32_t samples, std::uint32_t format) {
        const std::uint32_t bytes = 8 * 6 * samples * bits / 8;
        return test::handMadeTiff({{256, 8},
                                   {257, 6},
                                   {258, bits},
                                   {259, compression},
                                   {262, photometric},
                                   {273, 0},
                                   {277, samples},
                                   {278, 6},
                                   {279, bytes},
                                   {339, format}},
                                  QByteArray(int(bytes), '\x40'));
    };
    const struct {
        const char* what;
        QByteArray file;
        const char* saying;
    } cases[] = {
        {"16-bit CMYK in JPEG",
         strip(16, COMPRESSION_JPEG, PHOTOMETRIC_SEPARATED, 4, SAMPLEFORMAT_UINT), "JPEG"},
        {"64-bit float grey",
         strip(64, COMPRESSION_NONE, PHOTOMETRIC_MINISBLACK, 1, SAMPLEFORMAT_IEEEFP), "64-bit"},
        {"24-bit float grey",
         strip(24, COMPRESSION_NONE, PHOTOMETRIC_MINISBLACK, 1, SAMPLEFORMAT_IEEEFP), "24-bit"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Picture picture;
        EXPECT_EQ(decodeBytes(c.file, picture), Status::UnknownImageFormat);
        EXPECT_TRUE(lastDecodeDetail().contains(c.saying)) << qPrintable(lastDecodeDetail());
        QSize size;
        EXPECT_EQ(measureMemory(reinterpret_cast<const unsigned char*>(c.file.constData()),
                                std::size_t(c.file.size()), size),
                  Status::Ok)
            << "its size is known";
    }
}

// An alpha declared in ExtraSamples that the samples per pixel leave no room for is not read
// (it would lie beyond the pixel's samples): each layout decodes opaque.
TEST(TiffDepth, AnExtraSampleWithNoRoomInThePixelIsNoAlpha) {
    const struct {
        const char* what;
        std::uint32_t bits, photometric, samples, format;
    } cases[] = {
        {"float RGB", 32, PHOTOMETRIC_RGB, 3, SAMPLEFORMAT_IEEEFP},
        {"16-bit grey", 16, PHOTOMETRIC_MINISBLACK, 1, SAMPLEFORMAT_UINT},
        {"16-bit CMYK", 16, PHOTOMETRIC_SEPARATED, 4, SAMPLEFORMAT_UINT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::uint32_t bytes = 8 * 6 * c.samples * c.bits / 8;
        const QByteArray file = test::handMadeTiff({{256, 8},
                                                    {257, 6},
                                                    {258, c.bits},
                                                    {259, COMPRESSION_NONE},
                                                    {262, c.photometric},
                                                    {273, 0},
                                                    {277, c.samples},
                                                    {278, 6},
                                                    {279, bytes},
                                                    {338, EXTRASAMPLE_ASSOCALPHA},
                                                    {339, c.format}},
                                                   QByteArray(int(bytes), '\x40'));
        Picture picture;
        if (decodeBytes(file, picture) == Status::Ok) {
            EXPECT_FALSE(picture.hasAlpha());
        }
    }
}

} // namespace
} // namespace pix::imaging
