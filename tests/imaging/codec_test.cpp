// Round trips through every encoder and back through the decoders.
#include "imaging/testpictures.h"
#include "platform/imaging/decoder.h"
#include "platform/imaging/encoders.h"

#include <gtest/gtest.h>

namespace pix::imaging {
namespace {

using test::decodeBytes;

struct Lossless {
    const char* mime;
    ImageFormat format;
};

TEST(Encoders, ListHasOneRecordPerMimeTypeAndExactLookUp) {
    const char* mimes[] = {"image/bmp",  "image/jpeg", "image/gif",  "image/png",
                           "image/tiff", "image/webp", "image/avif", "image/jxl"};
    for (const char* mime : mimes) {
        const EncoderId id = findEncoderByMimeType(mime);
        EXPECT_FALSE(id.isNull()) << mime;
    }
    EXPECT_EQ(imageEncoders().size(), 8u);
    EXPECT_TRUE(findEncoderByMimeType("image/JPEG").isNull()) << "look-up is case-sensitive";
    EXPECT_TRUE(findEncoderByMimeType("image/heic").isNull()) << "HEIC is read, never written";
}

TEST(RoundTrip, LosslessEncodersGiveBackOpaquePicturesExactly) {
    const Lossless cases[] = {{"image/png", ImageFormat::Png},
                              {"image/tiff", ImageFormat::Tiff},
                              {"image/bmp", ImageFormat::Bmp},
                              {"image/gif", ImageFormat::Gif}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mime);
        for (const Picture& original : {test::quadrants(31, 17), test::quadrants(1, 1)}) {
            const QByteArray bytes = test::encodeToMemory(original, c.mime);
            ASSERT_FALSE(bytes.isEmpty());
            EXPECT_EQ(detectFormat(reinterpret_cast<const unsigned char*>(bytes.constData()),
                                   std::size_t(bytes.size())),
                      c.format);
            Picture decoded;
            ASSERT_EQ(decodeBytes(bytes, decoded), Status::Ok);
            EXPECT_EQ(test::maxChannelDifference(decoded.image(), original.image()), 0);
        }
    }
}

TEST(RoundTrip, PngAndTiffKeepTransparency) {
    const Picture original = test::halfTransparent(20, 6);
    for (const char* mime : {"image/png", "image/tiff"}) {
        SCOPED_TRACE(mime);
        Picture decoded;
        ASSERT_EQ(decodeBytes(test::encodeToMemory(original, mime), decoded), Status::Ok);
        ASSERT_TRUE(decoded.hasAlpha());
        const QImage out = decoded.toStraightArgb(), in = original.toStraightArgb();
        EXPECT_EQ(out.pixel(2, 2), in.pixel(2, 2));
        EXPECT_EQ(qAlpha(out.pixel(15, 2)), 0);
        EXPECT_EQ(qAlpha(out.pixel(10, 2)), 128);
        EXPECT_LE(test::maxChannelDifference(out, in), 2) << "premultiplication rounding only";
    }
}

// Rows that each favour a different PNG filter: noise (none), horizontal ramps (sub), vertical
// ramps (up), smooth diagonals (average, Paeth), with straight alpha varying when asked.
QImage filterExercise(int width, int height, bool alpha) {
    QImage image(width, height, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    std::uint32_t seed = 12345;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            int r = 0, g = 0, b = 0;
            switch ((y / 7) % 4) {
            case 0:
                r = int(seed >> 24), g = int(seed >> 16) & 255, b = int(seed >> 8) & 255;
                break;
            case 1:
                r = x * 5, g = x * 3, b = 255 - x;
                break;
            case 2:
                r = y * 3, g = 100, b = y;
                break;
            default:
                r = x + y, g = (x * y) >> 4, b = (x * 2 + y * 3) >> 1;
                break;
            }
            const int a = alpha ? 1 + (x * 7 + y) % 255 : 255;
            image.setPixel(x, y, qRgba(r & 255, g & 255, b & 255, a));
        }
    }
    return image;
}

TEST(RoundTrip, PngRowsOfEveryKindComeBackExactly) {
    // 700 x 560 noise-heavy pixels compress to more than one IDAT chunk.
    const QSize sizes[] = {{1, 1}, {1, 9}, {9, 1}, {2, 30}, {700, 560}};
    for (const QSize size : sizes) {
        for (const bool alpha : {false, true}) {
            SCOPED_TRACE(testing::Message()
                         << size.width() << "x" << size.height() << " alpha " << alpha);
            const QImage straight = filterExercise(size.width(), size.height(), alpha);
            const Picture original(straight);
            const QByteArray bytes = test::encodeToMemory(original, "image/png");
            // A picture handed over as the only copy of its pixels is filtered in place.
            QByteArray inPlace;
            ASSERT_EQ(encodeToMemory(Picture(straight.copy()), findEncoderByMimeType("image/png"),
                                     std::nullopt, inPlace),
                      Status::Ok);
            EXPECT_EQ(inPlace, bytes);
            // Qt's reader (libpng) checks every chunk's CRC and the zlib stream's checksum.
            QImage read;
            ASSERT_TRUE(read.loadFromData(bytes, "PNG"));
            EXPECT_EQ(read.hasAlphaChannel(), alpha);
            EXPECT_EQ(
                // Against what the encoder was given: the picture keeps premultiplied alpha.
                test::maxChannelDifference(read.convertToFormat(QImage::Format_ARGB32),
                                           original.toStraightArgb()),
                0);
        }
    }
}

TEST(RoundTrip, GifKeepsFullyTransparentPixels) {
    Picture decoded;
    ASSERT_EQ(decodeBytes(test::encodeToMemory(test::halfTransparent(20, 6), "image/gif"), decoded),
              Status::Ok);
    const QImage out = decoded.toStraightArgb();
    EXPECT_EQ(qAlpha(out.pixel(15, 2)), 0);
    EXPECT_EQ(out.pixel(2, 2), qRgba(200, 40, 10, 255));
}

TEST(RoundTrip, JpegAndBmpFlattenTransparencyOntoWhite) {
    for (const char* mime : {"image/jpeg", "image/bmp"}) {
        SCOPED_TRACE(mime);
        Picture decoded;
        ASSERT_EQ(
            decodeBytes(test::encodeToMemory(test::halfTransparent(32, 16), mime, 95), decoded),
            Status::Ok);
        EXPECT_FALSE(decoded.hasAlpha());
        const QRgb transparentPart = decoded.image().pixel(28, 8);
        EXPECT_GE(qRed(transparentPart), 250);
        EXPECT_GE(qGreen(transparentPart), 250);
        EXPECT_GE(qBlue(transparentPart), 250);
        EXPECT_NEAR(qRed(decoded.image().pixel(4, 8)), 200, 6);
    }
}

TEST(RoundTrip, JpegQualityTradesSizeForFidelity) {
    const Picture original = test::gradient(256, 192);
    const QByteArray coarse = test::encodeToMemory(original, "image/jpeg", 10);
    const QByteArray fine = test::encodeToMemory(original, "image/jpeg", 100);
    ASSERT_FALSE(coarse.isEmpty());
    ASSERT_FALSE(fine.isEmpty());
    EXPECT_LT(coarse.size(), fine.size());
    Picture a, b;
    ASSERT_EQ(decodeBytes(coarse, a), Status::Ok);
    ASSERT_EQ(decodeBytes(fine, b), Status::Ok);
    EXPECT_GT(test::maxChannelDifference(a.image(), original.image()),
              test::maxChannelDifference(b.image(), original.image()));
    EXPECT_LE(test::maxChannelDifference(b.image(), original.image()), 6);
    // Out-of-range qualities are clamped rather than refused.
    EXPECT_EQ(test::encodeToMemory(original, "image/jpeg", 250), fine);
}

} // namespace
} // namespace pix::imaging
