// Decoding GIF files: ImageMagick-made files against ImageMagick's own decoding of frame 0,
// hand-made files for odd layouts, and damaged files.
#include "imaging/gifwriter.h"
#include "imaging/memorywatch.h"
#include "platform/imaging/gifdecoder.h"

#include <QFile>
#include <QImage>
#include <gtest/gtest.h>

#include <random>

namespace pix::imaging {
namespace {

using test::GifBuilder;
using test::GifFrame;

QByteArray readData(const QString& name) {
    QFile file(QStringLiteral(PIXOVIA_TEST_DATA "/gif/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const auto decode = test::decodeGifBytes;
const auto measure = test::measureGifBytes;

QRgb pixelOf(const Picture& picture, int x, int y) {
    return picture.toStraightArgb().pixel(x, y);
}

struct CorpusCase {
    const char* name;
    QSize screen;
    QPoint frameOrigin;
    bool withAlpha;
};

class GifCorpus : public ::testing::TestWithParam<CorpusCase> {};

// The frame area matches ImageMagick's pixels (colour where opaque, alpha where transparent);
// the rest of the screen is transparent.
TEST_P(GifCorpus, MatchesImageMagickFrameZero) {
    const CorpusCase& c = GetParam();
    const QByteArray bytes = readData(QString::fromLatin1(c.name) + ".gif");
    const QImage reference = QImage(QStringLiteral(PIXOVIA_TEST_DATA "/gif/") + c.name + ".png")
                                 .convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(bytes.isEmpty());
    ASSERT_FALSE(reference.isNull());
    Picture picture;
    ASSERT_EQ(decode(bytes, picture), Status::Ok);
    QSize measured;
    ASSERT_EQ(measure(bytes, measured), Status::Ok);
    EXPECT_EQ(measured, c.screen);
    ASSERT_EQ(picture.image().size(), c.screen);
    EXPECT_EQ(picture.hasAlpha(), c.withAlpha);
    const QImage decoded = picture.toStraightArgb();
    const QRect frame(c.frameOrigin, reference.size());
    for (int y = 0; y < c.screen.height(); ++y) {
        for (int x = 0; x < c.screen.width(); ++x) {
            const QRgb got = decoded.pixel(x, y);
            const QRgb want =
                frame.contains(x, y) ? reference.pixel(x - frame.x(), y - frame.y()) : 0u;
            if (qAlpha(want) == 0) {
                ASSERT_EQ(qAlpha(got), 0) << x << "," << y;
            } else {
                ASSERT_EQ(got, want) << x << "," << y;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(ImageMagickFiles, GifCorpus,
                         ::testing::Values(CorpusCase{"offset", {40, 30}, {7, 5}, true},
                                           CorpusCase{"interlaced", {23, 19}, {0, 0}, false},
                                           CorpusCase{"local", {18, 13}, {0, 0}, false},
                                           CorpusCase{"transparent", {16, 12}, {0, 0}, true},
                                           CorpusCase{"anim", {14, 10}, {0, 0}, false},
                                           CorpusCase{"one", {1, 1}, {0, 0}, false}),
                         [](const auto& info) { return std::string(info.param.name); });

const std::vector<QRgb> kRedGreen{0xFFFF0000, 0xFF00FF00};

TEST(GifLayout, ColoursWithoutAMapOrBeyondIt) {
    // No colour map at all: a grey ramp as long as the largest index needs.
    Picture picture;
    ASSERT_EQ(decode(GifBuilder(2, 1).frame({.width = 2, .indices = {0, 1}}).finish(), picture),
              Status::Ok);
    EXPECT_EQ(pixelOf(picture, 0, 0), 0xFF000000u);
    EXPECT_EQ(pixelOf(picture, 1, 0), 0xFFFFFFFFu);
    ASSERT_EQ(decode(GifBuilder(2, 1).frame({.width = 2, .indices = {1, 3}}).finish(), picture),
              Status::Ok);
    EXPECT_EQ(pixelOf(picture, 0, 0), 0xFF555555u);
    EXPECT_EQ(pixelOf(picture, 1, 0), 0xFFFFFFFFu);
    // An index beyond the map shows its first colour; the transparent index wins over both.
    ASSERT_EQ(decode(GifBuilder(3, 1, kRedGreen)
                         .frame({.width = 3, .indices = {5, 1, 6}, .transparentIndex = 6})
                         .finish(),
                     picture),
              Status::Ok);
    EXPECT_TRUE(picture.hasAlpha());
    EXPECT_EQ(pixelOf(picture, 0, 0), kRedGreen[0]);
    EXPECT_EQ(pixelOf(picture, 1, 0), kRedGreen[1]);
    EXPECT_EQ(qAlpha(pixelOf(picture, 2, 0)), 0);
}

TEST(GifLayout, HugeScreenIsRefusedBeforeDecoding) {
    const QByteArray bytes = GifBuilder(65535, 65535, kRedGreen).frame({.indices = {0}}).finish();
    Picture picture;
    QSize measured;
    EXPECT_EQ(decode(bytes, picture), Status::TooLarge);
    EXPECT_EQ(measure(bytes, measured), Status::TooLarge);
    EXPECT_EQ(decode(QByteArray("not a gif at all"), picture), Status::UnknownImageFormat);
}

TEST(GifLayout, AFrameLargerThanItsDataCanHoldIsRefusedBeforeAllocating) {
    // 16384 x 16384 transparent-capable pixels from a few bytes of LZW data: a gigabyte canvas
    // that would be cleared before the first row fails.
    const QByteArray bytes =
        GifBuilder(16384, 16384, kRedGreen)
            .frame(
                {.width = 16384, .height = 16384, .indices = {0, 1, 0, 1}, .transparentIndex = 0})
            .finish();
    const test::PeakGrowth growth;
    Picture picture;
    EXPECT_EQ(decode(bytes, picture), Status::CorruptData);
    EXPECT_LT(growth.megabytes(), 40);
}

TEST(GifLayout, AScreenLargerThanItsDataCanFillIsRefusedBeforeAllocating) {
    const QByteArray huge = GifBuilder(16384, 16384, kRedGreen).frame({.indices = {0}}).finish();
    const test::PeakGrowth growth;
    Picture picture;
    EXPECT_EQ(decode(huge, picture), Status::CorruptData);
    EXPECT_LT(growth.megabytes(), 40);
    // A screen of up to 16 million pixels around a small frame is believed.
    ASSERT_EQ(decode(GifBuilder(4000, 4000, kRedGreen).frame({.indices = {0}}).finish(), picture),
              Status::Ok);
    EXPECT_EQ(picture.image().size(), QSize(4000, 4000));
}

// Cutting a file anywhere never crashes. A cut before the first frame's pixels are all present
// fails; any cut that decodes gives exactly the picture of the whole file, and every cut after
// the first frame does.
TEST(GifDamage, TruncatedAnywhere) {
    std::vector<std::uint16_t> first(12 * 7), second(12 * 7, 1);
    for (std::size_t i = 0; i < first.size(); ++i)
        first[i] = std::uint16_t(i % 4);
    GifBuilder builder(12, 7, {0xFF000000, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF});
    const int firstEnd =
        int(builder.frame({.width = 12, .height = 7, .indices = first}).finish().size()) - 1;
    const QByteArray whole = builder.frame({.width = 12, .height = 7, .indices = second}).finish();
    Picture full;
    ASSERT_EQ(decode(whole, full), Status::Ok);
    for (int cut = 0; cut < whole.size(); ++cut) {
        Picture picture;
        const Status status = decode(whole.left(cut), picture);
        if (cut >= firstEnd - 1) { // only the chain's terminator may be missing
            ASSERT_EQ(status, Status::Ok) << cut;
        }
        if (status == Status::Ok) {
            ASSERT_EQ(picture.image(), full.image()) << cut;
        } else {
            ASSERT_NE(status, Status::TooLarge) << cut;
        }
    }
    EXPECT_EQ(decode(whole.left(40), full), Status::CorruptData);
}

TEST(GifDamage, CorpusCutAtEveryByte) {
    for (const char* name : {"offset.gif", "interlaced.gif", "transparent.gif", "local.gif"}) {
        const QByteArray whole = readData(QString::fromLatin1(name));
        Picture full;
        ASSERT_EQ(decode(whole, full), Status::Ok);
        for (int cut = 0; cut < whole.size() - 2; ++cut) {
            Picture picture;
            if (decode(whole.left(cut), picture) == Status::Ok) {
                ASSERT_EQ(picture.image(), full.image()) << name << " cut at " << cut;
            }
        }
    }
}

// Random bytes changed: any status, but an Ok picture has the measured size.
TEST(GifDamage, RandomCorruption) {
    std::mt19937 random(1234);
    for (const char* name : {"offset.gif", "interlaced.gif", "anim.gif", "local.gif"}) {
        const QByteArray whole = readData(QString::fromLatin1(name));
        for (int round = 0; round < 300; ++round) {
            QByteArray bytes = whole;
            for (int n = 0; n < 1 + round % 4; ++n)
                bytes[int(random() % std::uint32_t(bytes.size()))] = char(random());
            Picture picture;
            QSize measured;
            if (decode(bytes, picture) == Status::Ok) {
                ASSERT_EQ(measure(bytes, measured), Status::Ok);
                ASSERT_EQ(picture.image().size(), measured);
            }
        }
    }
}

TEST(GifDamage, GarbageInsteadOfLzwData) {
    QByteArray bytes = GifBuilder(8, 8, kRedGreen).finish();
    bytes.chop(1);
    bytes.append(",\0\0\0\0\x08\0\x08\0\0\x02\x10", 12);
    bytes.append(QByteArray(16, '\xFF'));
    bytes.append("\0;", 2);
    Picture picture;
    EXPECT_EQ(decode(bytes, picture), Status::CorruptData);
}

} // namespace
} // namespace pix::imaging
