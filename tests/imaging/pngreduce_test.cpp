// PNG decoded at a reduced size: the rows are shrunk by a whole factor as they stream in, and
// the result looks like the whole picture resampled.
#include "imaging/pngbuilder.h"
#include "imaging/testpictures.h"
#include "platform/imaging/decoder.h"
#include "platform/imaging/transform.h"

#include <QtEndian>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <png.h>

namespace pix::imaging {
namespace {

// A straight RGBA colour of 16-bit samples.
struct Colour16 {
    std::uint16_t r, g, b, a = 65535;
};
using Painter = std::function<Colour16(int x, int y)>;

void putSample(std::vector<std::uint8_t>& row, std::size_t& at, int depth, std::uint16_t v) {
    if (depth == 16)
        row[at++] = std::uint8_t(v >> 8);
    row[at++] = std::uint8_t(depth == 16 ? v & 0xFF : v >> 8);
}

// A PNG of the colour type (grey, RGB, grey + alpha or RGBA) and depth (8 or 16) painted pixel
// by pixel; grey takes the red sample.
QByteArray paintedPng(int width, int height, int colourType, int depth, const Painter& paint,
                      bool interlaced = false) {
    test::PngShape s;
    s.width = width;
    s.height = height;
    s.colourType = colourType;
    s.depth = depth;
    s.interlaced = interlaced;
    s.rows.assign(std::size_t(height), std::vector<std::uint8_t>(test::pngRowBytes(s)));
    for (int y = 0; y < height; ++y) {
        std::size_t at = 0;
        for (int x = 0; x < width; ++x) {
            const Colour16 c = paint(x, y);
            putSample(s.rows[std::size_t(y)], at, depth, c.r);
            if (colourType & PNG_COLOR_MASK_COLOR) {
                putSample(s.rows[std::size_t(y)], at, depth, c.g);
                putSample(s.rows[std::size_t(y)], at, depth, c.b);
            }
            if (colourType & PNG_COLOR_MASK_ALPHA)
                putSample(s.rows[std::size_t(y)], at, depth, c.a);
        }
    }
    return test::writePng(s);
}

Status decodeBytes(const QByteArray& bytes, Picture& out, QSize minSize = {},
                   RotateFlipType turn = RotateNoneFlipNone) {
    DecodeHint hint;
    hint.minSize = minSize;
    hint.rotateFlip = turn;
    return test::decodeBytes(bytes, out, hint);
}

std::uint16_t level(double v) {
    return std::uint16_t(std::clamp(v, 0.0, 255.0) * 257);
}

// Gradients, a fine texture and a sharp vertical edge at column edge: what shrinking badly shows.
Painter photo(int edge) {
    return [edge](int x, int y) {
        const double texture = 30 * std::sin(x * 0.9) * std::cos(y * 0.7);
        const double base = x < edge ? 40 : 200;
        return Colour16{level(base + texture + y * 0.05), level(base - texture),
                        level(base + x * 0.03)};
    };
}

// The whole source resampled to width x height, through a decode that may shrink the picture
// to no less than that size, as a conversion does.
QImage converted(const QByteArray& bytes, QSize minSize, int width, int height) {
    Picture source, out;
    if (decodeBytes(bytes, source, minSize) != Status::Ok ||
        resizePicture(source, width, height, out) != Status::Ok)
        return {};
    return out.image().convertToFormat(QImage::Format_ARGB32);
}

double rmse(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            for (int shift : {0, 8, 16, 24}) {
                const double d = int((p >> shift) & 0xFF) - int((q >> shift) & 0xFF);
                sum += d * d;
            }
        }
    return std::sqrt(sum / (double(a.width()) * a.height() * 4));
}

// The first column of row y whose red sample is past the middle of the edge's two sides.
int edgeColumn(const QImage& image, int y) {
    for (int x = 0; x < image.width(); ++x)
        if (qRed(image.pixel(x, y)) >= 120)
            return x;
    return -1;
}

int maxDifference(const QImage& a, const QImage& b) {
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            for (int shift : {0, 8, 16, 24})
                worst = std::max(worst, std::abs(int((a.pixel(x, y) >> shift) & 0xFF) -
                                                 int((b.pixel(x, y) >> shift) & 0xFF)));
    return worst;
}

TEST(PngReduced, AConversionThroughTheShrunkPictureLooksLikeOneThroughTheWholePicture) {
    const QByteArray bytes = paintedPng(1000, 750, PNG_COLOR_TYPE_RGB, 8, photo(503));
    for (const bool interlaced : {false, true}) {
        const QByteArray file =
            interlaced ? paintedPng(1000, 750, PNG_COLOR_TYPE_RGB, 8, photo(503), true) : bytes;
        for (const int width : {240, 200, 150, 100, 60}) {
            SCOPED_TRACE(testing::Message() << "width " << width << ", interlaced " << interlaced);
            const int height = width * 3 / 4;
            Picture shrunk;
            ASSERT_EQ(decodeBytes(file, shrunk, QSize(width, height)), Status::Ok);
            EXPECT_LE(shrunk.width(), 500);
            EXPECT_GE(shrunk.width(), width);
            EXPECT_GE(shrunk.height(), height);
            const QImage whole = converted(file, QSize(), width, height);
            const QImage reduced = converted(file, QSize(width, height), width, height);
            ASSERT_FALSE(reduced.isNull());
            // Averaging only the odd rows of an interlaced picture loses a little of the texture.
            // (Resampled from the picture shrunk to the size asked for, the worst is 2.5 to 3.7.)
            EXPECT_LT(rmse(whole, reduced), interlaced ? 2.0 : 1.5);
            EXPECT_LE(maxDifference(whole, reduced), 8);
            for (const int y : {0, height / 2, height - 1})
                EXPECT_NEAR(edgeColumn(reduced, y), edgeColumn(whole, y), 1);
        }
    }
}

// The box averages of a whole decoded picture's premultiplied pixels: boxes of factor x factor,
// the last ones holding what is left.
QImage boxAverages(const QImage& whole, int factor) {
    const int w = (whole.width() + factor - 1) / factor, h = (whole.height() + factor - 1) / factor;
    QImage out(w, h, QImage::Format_ARGB32_Premultiplied);
    for (int by = 0; by < h; ++by)
        for (int bx = 0; bx < w; ++bx) {
            double sum[4] = {};
            int count = 0;
            for (int y = by * factor; y < std::min(whole.height(), (by + 1) * factor); ++y)
                for (int x = bx * factor; x < std::min(whole.width(), (bx + 1) * factor); ++x) {
                    const QRgb p = whole.pixel(x, y);
                    sum[0] += qRed(p), sum[1] += qGreen(p), sum[2] += qBlue(p), sum[3] += qAlpha(p);
                    ++count;
                }
            out.setPixel(bx, by,
                         qRgba(int(std::lround(sum[0] / count)), int(std::lround(sum[1] / count)),
                               int(std::lround(sum[2] / count)), int(std::lround(sum[3] / count))));
        }
    return out;
}

struct Kind {
    int colourType, depth;
    bool transparency;
};

TEST(PngReduced, EveryKindAveragesTheBoxesOfItsWholePictureInPremultipliedColours) {
    const Kind kinds[] = {
        {PNG_COLOR_TYPE_GRAY, 1, false},       {PNG_COLOR_TYPE_GRAY, 4, true},
        {PNG_COLOR_TYPE_GRAY, 8, false},       {PNG_COLOR_TYPE_GRAY, 8, true},
        {PNG_COLOR_TYPE_GRAY, 16, false},      {PNG_COLOR_TYPE_GRAY, 16, true},
        {PNG_COLOR_TYPE_RGB, 8, false},        {PNG_COLOR_TYPE_RGB, 8, true},
        {PNG_COLOR_TYPE_RGB, 16, false},       {PNG_COLOR_TYPE_RGB, 16, true},
        {PNG_COLOR_TYPE_PALETTE, 1, true},     {PNG_COLOR_TYPE_PALETTE, 4, false},
        {PNG_COLOR_TYPE_PALETTE, 8, true},     {PNG_COLOR_TYPE_GRAY_ALPHA, 8, true},
        {PNG_COLOR_TYPE_GRAY_ALPHA, 16, true}, {PNG_COLOR_TYPE_RGB_ALPHA, 8, true},
        {PNG_COLOR_TYPE_RGB_ALPHA, 16, true},
    };
    // 61 x 45 asked for at least 4 x 4: shrunk by 6 to 11 x 8 (twice what was asked for, at
    // least), its last boxes partial.
    for (const Kind& kind : kinds) {
        SCOPED_TRACE(testing::Message() << "colour type " << kind.colourType << ", depth "
                                        << kind.depth << ", transparency " << kind.transparency);
        const QByteArray bytes = test::writePng(
            test::randomShape(kind.colourType, kind.depth, kind.transparency, false, 61, 45));
        Picture whole, shrunk;
        ASSERT_EQ(decodeBytes(bytes, whole), Status::Ok);
        ASSERT_EQ(decodeBytes(bytes, shrunk, QSize(4, 4)), Status::Ok);
        ASSERT_EQ(QSize(shrunk.width(), shrunk.height()), QSize(11, 8));
        EXPECT_EQ(shrunk.content(), QRectF(0, 0, 61 / 6.0, 45 / 6.0));
        EXPECT_EQ(shrunk.hasAlpha(), whole.hasAlpha());
        // 16-bit and 8-bit premultiplication round differently by a level at most.
        EXPECT_LE(maxDifference(shrunk.image(), boxAverages(whole.image(), 6)), 2);
    }
}

TEST(PngReduced, SixteenBitSamplesAreAveragedBeforeTheyLoseTheirLowBits) {
    // Each 2 x 2 box: three pixels of 0.49 and one of 1.49 levels of eight bits. Rounded
    // first they average to 0.25, that is 0; averaged first to 0.74, that is 1.
    const QByteArray bytes = paintedPng(8, 8, PNG_COLOR_TYPE_GRAY, 16, [](int x, int y) {
        const std::uint16_t v = (x % 2 == 1 && y % 2 == 1) ? 383 : 126;
        return Colour16{v, v, v};
    });
    Picture shrunk;
    ASSERT_EQ(decodeBytes(bytes, shrunk, QSize(2, 2)), Status::Ok);
    ASSERT_EQ(QSize(shrunk.width(), shrunk.height()), QSize(4, 4));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(shrunk.image().pixel(x, y), qRgb(1, 1, 1)) << x << "," << y;
}

TEST(PngReduced, TransparentPixelsLendNoColourToTheirBox) {
    // Each 2 x 2 box: two opaque red pixels and two transparent green ones. Averaged straight,
    // the box would turn olive; premultiplied it is red at half opacity.
    const QByteArray bytes = paintedPng(8, 8, PNG_COLOR_TYPE_RGB_ALPHA, 8, [](int x, int) {
        return x % 2 == 0 ? Colour16{65535, 0, 0, 65535} : Colour16{0, 65535, 0, 0};
    });
    Picture shrunk;
    ASSERT_EQ(decodeBytes(bytes, shrunk, QSize(2, 2)), Status::Ok);
    ASSERT_EQ(QSize(shrunk.width(), shrunk.height()), QSize(4, 4));
    ASSERT_TRUE(shrunk.hasAlpha());
    const QRgb straight = shrunk.toStraightArgb().pixel(1, 2);
    EXPECT_EQ(qRed(straight), 255);
    EXPECT_EQ(qGreen(straight), 0);
    EXPECT_NEAR(qAlpha(straight), 128, 1);
}

TEST(PngReduced, ThePartialLastBoxesAverageOnlyThePixelsTheyHave) {
    // 101 x 57 asked for 7 x 7: shrunk by 4 into 26 x 15, the last column and row each from
    // one row or column of pixels (red ones and green ones).
    const QByteArray bytes = paintedPng(101, 57, PNG_COLOR_TYPE_RGB, 8, [](int x, int y) {
        if (y == 56)
            return Colour16{0, 65535, 0};
        return x == 100 ? Colour16{65535, 0, 0} : Colour16{0, 0, 65535};
    });
    Picture shrunk;
    ASSERT_EQ(decodeBytes(bytes, shrunk, QSize(7, 7)), Status::Ok);
    ASSERT_EQ(QSize(shrunk.width(), shrunk.height()), QSize(26, 15));
    EXPECT_EQ(shrunk.content(), QRectF(0, 0, 25.25, 14.25));
    const QImage& image = shrunk.image();
    EXPECT_EQ(image.pixel(25, 0), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(25, 13), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(24, 13), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(0, 14), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(25, 14), qRgb(0, 255, 0));
}

TEST(PngReduced, NeverSmallerThanTwiceTheSizeAskedForAndTurnedAfterwards) {
    const QByteArray bytes = paintedPng(64, 33, PNG_COLOR_TYPE_GRAY, 8, [](int, int) {
        return Colour16{0, 0, 0};
    });
    for (const QSize asked : {QSize(1, 1), QSize(5, 3), QSize(7, 8), QSize(10, 4), QSize(16, 9),
                              QSize(17, 4), QSize(40, 2), QSize(64, 33)}) {
        SCOPED_TRACE(testing::Message() << asked.width() << " x " << asked.height());
        Picture upright, turned;
        ASSERT_EQ(decodeBytes(bytes, upright, asked), Status::Ok);
        EXPECT_GE(upright.width(), std::min(64, 2 * asked.width()));
        EXPECT_GE(upright.height(), std::min(33, 2 * asked.height()));
        const bool shrinks = 2 * asked.width() <= 32 && 2 * asked.height() <= 17;
        EXPECT_EQ(upright.width() < 64, shrinks);
        ASSERT_EQ(decodeBytes(bytes, turned, asked, Rotate90FlipNone), Status::Ok);
        EXPECT_EQ(QSize(turned.height(), turned.width()), QSize(upright.width(), upright.height()));
    }
}

TEST(PngReduced, AnInterlacedPictureAveragesTheOddRowsOfItsLastPass) {
    // Grey rows of 20 levels a row, 40 x 9 asked for 5 x 1: shrunk by 4 into 10 x 3. The first
    // box holds odd rows 1 and 3, the second 5 and 7; the last holds row 8 alone, which is not
    // in the last pass, and repeats the row above.
    const auto rows = [](int, int y) {
        const auto v = std::uint16_t(y * 20 * 257);
        return Colour16{v, v, v};
    };
    Picture interlaced, plain;
    ASSERT_EQ(
        decodeBytes(paintedPng(40, 9, PNG_COLOR_TYPE_GRAY, 8, rows, true), interlaced, QSize(5, 1)),
        Status::Ok);
    ASSERT_EQ(QSize(interlaced.width(), interlaced.height()), QSize(10, 3));
    for (int x : {0, 9}) {
        EXPECT_EQ(interlaced.image().pixel(x, 0), qRgb(40, 40, 40));
        EXPECT_EQ(interlaced.image().pixel(x, 1), qRgb(120, 120, 120));
        EXPECT_EQ(interlaced.image().pixel(x, 2), qRgb(120, 120, 120));
    }
    // Not interlaced, every row counts.
    ASSERT_EQ(decodeBytes(paintedPng(40, 9, PNG_COLOR_TYPE_GRAY, 8, rows), plain, QSize(5, 1)),
              Status::Ok);
    EXPECT_EQ(plain.image().pixel(0, 0), qRgb(30, 30, 30));
    EXPECT_EQ(plain.image().pixel(0, 2), qRgb(160, 160, 160));
}

QByteArray blankPng(int width, int height) {
    test::PngShape s;
    s.width = width;
    s.height = height;
    s.colourType = PNG_COLOR_TYPE_GRAY;
    s.rows.assign(std::size_t(height), std::vector<std::uint8_t>(std::size_t(width)));
    return test::writePng(s);
}

TEST(PngReduced, TheMemoryEstimateHoldsTheShrunkPictureAndAFewRows) {
    const QByteArray bytes = blankPng(3000, 2000);
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    std::uint64_t whole = 0, shrunk = 0, turned = 0;
    ASSERT_EQ(estimateDecodeMemory(data, std::size_t(bytes.size()), {}, whole), Status::Ok);
    EXPECT_GE(whole, 3000u * 2000u * 4u);
    ASSERT_EQ(estimateDecodeMemory(data, std::size_t(bytes.size()), {QSize(100, 70)}, shrunk),
              Status::Ok);
    const std::uint64_t picture = 215u * 143u * 4u; // shrunk by 14 to twice 100 x 70 at least
    EXPECT_GE(shrunk, picture + 3000u * 4u);
    EXPECT_LT(shrunk, picture + 3000u * 64u);
    ASSERT_EQ(estimateDecodeMemory(data, std::size_t(bytes.size()),
                                   {QSize(100, 70), Rotate90FlipNone}, turned),
              Status::Ok);
    EXPECT_EQ(turned, shrunk + picture);
}

// The picture with eight bytes in the middle of its first image data chunk spoilt (its CRC
// mended, so that the fault is found by the inflater).
QByteArray withDamagedImageData(QByteArray png) {
    const qsizetype type = png.indexOf("IDAT");
    const qsizetype length = qFromBigEndian<quint32>(png.constData() + type - 4);
    for (qsizetype i = length / 2; i < length / 2 + 8; ++i)
        png[type + 4 + i] = char(0xFF);
    test::putBE32(png, int(type + 4 + length), test::crc32(png.mid(type, 4 + length)));
    return png;
}

TEST(PngReduced, DamagedImageDataIsRefusedWhileShrinking) {
    for (const bool interlaced : {false, true}) {
        const QByteArray file = withDamagedImageData(
            paintedPng(300, 200, PNG_COLOR_TYPE_RGB, 8, photo(100), interlaced));
        Picture picture;
        EXPECT_EQ(decodeBytes(file, picture, QSize(20, 20)), Status::CorruptData);
        EXPECT_TRUE(picture.isNull());
        EXPECT_FALSE(lastDecodeDetail().isEmpty());
    }
}

} // namespace
} // namespace pix::imaging
