// GIF variants people have: LZW minimum code sizes above 8, and first frames that do not fit
// their logical screen. The files are written by the LZW compressor in gifwriter.cpp.
#include "imaging/gifwriter.h"
#include "imaging/memorywatch.h"
#include "platform/imaging/decoder.h"
#include "platform/imaging/gifdecoder.h"
#include "platform/imaging/giflzw.h"

#include <gtest/gtest.h>

#include <random>

namespace pix::imaging {
namespace {

using test::GifImage;

const auto decode = test::decodeGifBytes;
const auto measure = test::measureGifBytes;

// Runs of one index among random ones, so that the table gets long strings, fills up and
// meets the code that names the entry it is making.
std::vector<std::uint16_t> mixedIndices(std::size_t count, int codeSize, std::uint32_t seed) {
    std::mt19937 random(seed);
    const std::uint32_t limit = std::uint32_t(1) << codeSize;
    std::vector<std::uint16_t> out;
    while (out.size() < count) {
        const auto index = std::uint16_t(random() % limit);
        const std::size_t run = random() % 4 == 0 ? 1 + random() % 300 : 1;
        out.insert(out.end(), std::min(run, count - out.size()), index);
    }
    return out;
}

GifLzwDecoder::Result decodeIndices(const QByteArray& blocks, int codeSize, int chunk,
                                    std::vector<std::uint16_t>& out) {
    GifLzwDecoder lzw(reinterpret_cast<const unsigned char*>(blocks.constData()),
                      std::size_t(blocks.size()), codeSize);
    for (std::size_t at = 0; at < out.size(); at += std::size_t(chunk)) {
        const int count = int(std::min(out.size() - at, std::size_t(chunk)));
        if (const auto result = lzw.read(out.data() + at, count);
            result != GifLzwDecoder::Result::Ok)
            return result;
    }
    return GifLzwDecoder::Result::Ok;
}

TEST(GifLzw, EveryMinimumCodeSizeRoundTrips) {
    for (int codeSize = 0; codeSize <= 11; ++codeSize) {
        for (const bool clearWhenFull : {true, false}) {
            SCOPED_TRACE(testing::Message() << codeSize << (clearWhenFull ? " clear" : " full"));
            const std::vector<std::uint16_t> indices =
                mixedIndices(60000, codeSize, std::uint32_t(codeSize));
            const QByteArray blocks = test::gifLzwBlocks(indices, {codeSize, clearWhenFull});
            // Rows of odd widths: strings are split across the caller's rows.
            for (const int chunk : {1, 37, 5000}) {
                std::vector<std::uint16_t> decoded(indices.size());
                ASSERT_EQ(decodeIndices(blocks, codeSize, chunk, decoded),
                          GifLzwDecoder::Result::Ok);
                ASSERT_EQ(decoded, indices) << chunk;
            }
        }
    }
}

TEST(GifLzw, DamagedDataIsReportedNeverOverrun) {
    const std::vector<std::uint16_t> indices = mixedIndices(3000, 9, 7);
    const QByteArray blocks = test::gifLzwBlocks(indices, {9, true});
    std::vector<std::uint16_t> decoded(indices.size());
    using Result = GifLzwDecoder::Result;
    // Cut anywhere, inside a sub-block or at its length byte.
    for (int cut = 0; cut < blocks.size() - 3; cut += 7)
        ASSERT_EQ(decodeIndices(blocks.left(cut), 9, 100, decoded), Result::Truncated) << cut;
    // The chain's terminator before the pixels are all there.
    EXPECT_EQ(decodeIndices(QByteArray("\x02\x00\x00\x00", 4), 9, 1, decoded), Result::Truncated);
    // Codes of 10 bits (clear code 512, end code 513).
    const QByteArray ended("\x04\x00\x16\x10\x20\x00", 6); // clear, 5, end
    decoded.assign(2, 0);
    EXPECT_EQ(decodeIndices(ended, 9, 2, decoded), Result::EndedEarly);
    // A first code that is no literal, and a code past the next free entry.
    EXPECT_EQ(decodeIndices(QByteArray("\x03\x00\x62\x09\x00", 5), 9, 1, decoded),
              Result::BadCode);                             // clear, 600
    const QByteArray beyond("\x04\x00\x0E\xF0\x3F\x00", 6); // clear, 3, 1023
    EXPECT_EQ(decodeIndices(beyond, 9, 2, decoded), Result::BadCode);
}

const std::vector<QRgb> kFourColours{0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00};

// The colour of an index as the decoder shows it: beyond the map, the map's first colour.
QRgb colourOf(const GifImage& image, std::uint16_t index) {
    if (int(index) == image.transparentIndex)
        return 0;
    return index < image.colours.size() ? image.colours[index] : image.colours[0];
}

// Each frame pixel at its place, everything else transparent.
void expectFrameOnCanvas(const GifImage& image, const Picture& picture) {
    const QImage decoded = picture.toStraightArgb();
    const QRect frame(image.left, image.top, image.width, image.height);
    for (int y = 0; y < decoded.height(); ++y) {
        for (int x = 0; x < decoded.width(); ++x) {
            const QRgb want =
                frame.contains(x, y)
                    ? colourOf(image, image.indices[std::size_t((y - image.top) * image.width + x -
                                                                image.left)])
                    : 0u;
            const QRgb got = decoded.pixel(x, y);
            ASSERT_EQ(qAlpha(want) == 0 ? 0u : got, want) << x << "," << y;
        }
    }
}

TEST(GifCodeSize, NineToElevenBitFilesDecode) {
    for (const int codeSize : {9, 10, 11}) {
        for (const bool interlaced : {false, true}) {
            SCOPED_TRACE(testing::Message() << codeSize << (interlaced ? " interlaced" : ""));
            GifImage image{.screenWidth = 61, .screenHeight = 43, .width = 61, .height = 43};
            image.colours = kFourColours;
            image.interlaced = interlaced;
            image.lzw.minimumCodeSize = codeSize;
            // Mostly mapped indices, some beyond the map and beyond 255.
            image.indices = mixedIndices(61 * 43, 2, std::uint32_t(codeSize));
            for (std::size_t i = 0; i < image.indices.size(); i += 17)
                image.indices[i] = std::uint16_t((1 << codeSize) - 1 - i % 300);
            image.transparentIndex = interlaced ? 2 : -1;
            const QByteArray bytes = test::writeGif(image);
            Picture picture;
            ASSERT_EQ(decode(bytes, picture), Status::Ok);
            ASSERT_EQ(picture.image().size(), QSize(61, 43));
            EXPECT_EQ(picture.hasAlpha(), interlaced);
            expectFrameOnCanvas(image, picture);
            QSize measured;
            ASSERT_EQ(measure(bytes, measured), Status::Ok);
            EXPECT_EQ(measured, QSize(61, 43));
        }
    }
}

TEST(GifCodeSize, TwelveBitsAndAboveAreCorrupt) {
    GifImage image{.width = 4, .height = 2, .colours = kFourColours};
    image.indices = {0, 1, 2, 3, 3, 2, 1, 0};
    for (const int codeSize : {12, 13, 255}) {
        image.codeSizeByte = codeSize;
        const QByteArray bytes = test::writeGif(image);
        Picture picture;
        QSize measured;
        EXPECT_EQ(decode(bytes, picture), Status::CorruptData) << codeSize;
        // Through the service's entry, which keeps the reason of this decode only.
        EXPECT_EQ(decodeMemory(reinterpret_cast<const unsigned char*>(bytes.constData()),
                               std::size_t(bytes.size()), picture),
                  Status::CorruptData);
        EXPECT_TRUE(lastDecodeDetail().contains("code size")) << lastDecodeDetail().toStdString();
        EXPECT_EQ(measure(bytes, measured), Status::CorruptData) << codeSize;
    }
}

// A cut eleven-bit file: a cut before the last pixel's code fails, any that decodes gives the
// whole file's picture; a frame its data cannot hold is refused before allocating.
TEST(GifCodeSize, ElevenBitDamage) {
    GifImage image{.screenWidth = 40, .screenHeight = 30, .width = 40, .height = 30};
    image.colours = kFourColours;
    image.lzw.minimumCodeSize = 11;
    image.indices = mixedIndices(40 * 30, 2, 11);
    const QByteArray whole = test::writeGif(image);
    Picture full;
    ASSERT_EQ(decode(whole, full), Status::Ok);
    for (int cut = 0; cut < whole.size(); ++cut) {
        Picture picture;
        const Status status = decode(whole.left(cut), picture);
        if (cut >= whole.size() - 3) { // only the end code, the terminator or the trailer cut
            ASSERT_EQ(status, Status::Ok) << cut;
        }
        if (status == Status::Ok) {
            ASSERT_EQ(picture.image(), full.image()) << cut;
        } else {
            ASSERT_EQ(status, Status::CorruptData) << cut;
        }
    }

    GifImage huge{.screenWidth = 16384, .screenHeight = 16384, .width = 16384, .height = 16384};
    huge.colours = kFourColours;
    huge.lzw.minimumCodeSize = 11;
    huge.transparentIndex = 0;
    const QByteArray claims = test::writeGif(huge);
    const test::PeakGrowth growth;
    Picture picture;
    EXPECT_EQ(decode(claims, picture), Status::CorruptData);
    EXPECT_LT(growth.megabytes(), 40);
}

struct ScreenCase {
    const char* name;
    QSize screen;
    QRect frame;
    QSize canvas;
};

void PrintTo(const ScreenCase& c, std::ostream* os) {
    *os << c.name;
}

class GifScreen : public ::testing::TestWithParam<ScreenCase> {};

// The canvas grows to hold the whole frame at its place, as libvips and Pillow show such files;
// what the frame does not cover is transparent.
TEST_P(GifScreen, GrowsToHoldTheWholeFrame) {
    const ScreenCase& c = GetParam();
    GifImage image{.screenWidth = c.screen.width(),
                   .screenHeight = c.screen.height(),
                   .left = c.frame.x(),
                   .top = c.frame.y(),
                   .width = c.frame.width(),
                   .height = c.frame.height(),
                   .colours = kFourColours};
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            image.indices.push_back(std::uint16_t((x + 2 * y) % 4));
    const QByteArray bytes = test::writeGif(image);
    Picture picture;
    ASSERT_EQ(decode(bytes, picture), Status::Ok);
    ASSERT_EQ(picture.image().size(), c.canvas);
    EXPECT_EQ(picture.hasAlpha(), c.frame != QRect(QPoint(0, 0), c.canvas));
    expectFrameOnCanvas(image, picture);
    QSize measured;
    ASSERT_EQ(measure(bytes, measured), Status::Ok);
    EXPECT_EQ(measured, c.canvas);
}

INSTANTIATE_TEST_SUITE_P(
    FirstFrame, GifScreen,
    ::testing::Values(ScreenCase{"LargerAtTheOrigin", {4, 3}, {0, 0, 6, 5}, {6, 5}},
                      ScreenCase{"LargerAtAnOffset", {4, 3}, {2, 1, 6, 5}, {8, 6}},
                      ScreenCase{"OnAnEmptyScreen", {0, 0}, {2, 1, 6, 5}, {8, 6}},
                      ScreenCase{"WiderButLower", {10, 3}, {1, 0, 6, 5}, {10, 5}},
                      ScreenCase{"NarrowScreen", {1, 5}, {9, 9, 3, 2}, {12, 11}},
                      ScreenCase{"LowScreen", {5, 1}, {9, 9, 3, 2}, {12, 11}},
                      ScreenCase{"PartlyOutside", {10, 10}, {8, 8, 4, 4}, {12, 12}},
                      ScreenCase{"InsideStaysOnTheScreen", {10, 10}, {3, 2, 4, 4}, {10, 10}}),
    [](const auto& info) { return std::string(info.param.name); });

// A small frame far beyond its screen would need a canvas of mostly nothing: beyond the pixel
// bound it is too large; beyond 16 million pixels it must be fillable by the data.
TEST(GifScreenBounds, AFrameFarOutsideTheScreenIsNotAllocated) {
    GifImage far{.screenWidth = 4,
                 .screenHeight = 4,
                 .left = 60000,
                 .top = 60000,
                 .width = 2,
                 .height = 2,
                 .colours = kFourColours,
                 .indices = {1, 1, 1, 1}};
    Picture picture;
    QSize measured;
    EXPECT_EQ(decode(test::writeGif(far), picture), Status::TooLarge);
    EXPECT_EQ(measure(test::writeGif(far), measured), Status::TooLarge);

    far.left = far.top = 6000;
    const test::PeakGrowth growth;
    EXPECT_EQ(decode(test::writeGif(far), picture), Status::CorruptData);
    EXPECT_LT(growth.megabytes(), 40);
}

// Above 16 million pixels a canvas is weighed against the frame's own data, never against
// what follows it: a tiny frame followed by junk claims nothing, a frame of much data earns a
// large screen, and a frame grows its canvas past the screen only as far as it covers. The
// densest data LZW can hold, a full table without clear codes, still fills its frame.
TEST(GifScreenBounds, ALargeCanvasIsWeighedAgainstTheFrameOwnData) {
    const QByteArray junk(25 * 1024, '\x5a');
    const auto gif = [](int screen, QPoint at, int side, std::vector<std::uint16_t> indices,
                        int codeSize) {
        GifImage image{.screenWidth = screen,
                       .screenHeight = screen,
                       .left = at.x(),
                       .top = at.y(),
                       .width = side,
                       .height = side,
                       .indices = std::move(indices)};
        image.colours.resize(std::size_t(1) << codeSize, 0xFF808080);
        image.lzw = {.minimumCodeSize = codeSize, .clearWhenFull = false};
        return test::writeGif(image);
    };
    std::vector<std::uint16_t> noise(128 * 128); // about 15 KB of data
    std::mt19937 random(7);
    for (std::uint16_t& index : noise)
        index = std::uint16_t(random() % 256);
    const struct {
        const char* name;
        QByteArray bytes;
        Status expected;
    } cases[] = {
        {"a 1 x 1 frame at 16383, 16383 before 25 KB of junk",
         gif(4, {16383, 16383}, 1, {1}, 2) + junk, Status::CorruptData},
        {"a 16384 x 16384 screen around a 1 x 1 frame before 25 KB of junk",
         gif(16384, {}, 1, {1}, 2) + junk, Status::CorruptData},
        {"2048 x 2048 of one index, no clear code",
         gif(2048, {}, 2048, std::vector<std::uint16_t>(2048 * 2048, 1), 1), Status::Ok},
        {"a 4100 x 4100 screen around a frame of 15 KB", gif(4100, {}, 128, noise, 8), Status::Ok},
        {"that frame hanging 28 pixels past the screen", gif(4100, {4000, 0}, 128, noise, 8),
         Status::CorruptData},
    };
    for (const auto& c : cases) {
        const test::PeakGrowth growth;
        Picture picture;
        EXPECT_EQ(decode(c.bytes, picture), c.expected) << c.name;
        if (c.expected != Status::Ok) {
            EXPECT_LT(growth.megabytes(), 40) << c.name;
        }
    }
}

} // namespace
} // namespace pix::imaging
