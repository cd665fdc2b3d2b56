// HDR pictures (PQ and HLG, BT.2020) come out as SDR sRGB through the normal decoding entry,
// against levels worked out by hand from the transfer functions and the tone curve: eight grey
// steps in the top half, pure red, green and blue and the reference white (203 cd/m2) below.
#include "formats/formatfiles.h"
#include "platform/imaging/decoder.h"

#include <gtest/gtest.h>

namespace pix::imaging {
namespace {

struct HdrFixture {
    const char* file;
    int steps[8]; // the grey steps' sRGB levels
    int tolerance;
    int oldWhite; // what the reference white became when the signal was taken as sRGB
};

// PQ steps: 0, 1, 10, 50, 100, 203, 1000, 10000 cd/m2; HLG steps: the signals 0, 0.1, 0.25,
// 0.5, 0.6, 0.75, 0.9, 1 on the nominal 1000 cd/m2 display. Lossy coding moves a level a little.
const HdrFixture kHdrFixtures[] = {
    {"hdr-pq.avif", {0, 15, 63, 136, 186, 237, 253, 255}, 4, 148},
    {"hdr-hlg.avif", {0, 16, 61, 137, 173, 237, 251, 255}, 4, 191},
    {"hdr-pq.heic", {0, 15, 63, 136, 186, 237, 253, 255}, 4, 148},
    {"hdr-pq.jxl", {0, 15, 63, 136, 186, 237, 253, 255}, 4, 148},
    {"hdr-pq-lossless.jxl", {0, 15, 63, 136, 186, 237, 253, 255}, 4, 148},
};

TEST(HdrDecoding, PqAndHlgPicturesComeOutAsSdrSrgb) {
    for (const HdrFixture& f : kHdrFixtures) {
        SCOPED_TRACE(f.file);
        Picture picture;
        ASSERT_EQ(test::decodeBytes(test::readFormatFile(QString::fromLatin1(f.file)), picture),
                  Status::Ok);
        ASSERT_EQ(picture.image().size(), QSize(64, 32));
        // The pixels are sRGB now: no profile travels with them.
        EXPECT_TRUE(picture.metadata().iccProfile.isEmpty());
        const QImage& image = picture.image();
        int previous = -1;
        for (int step = 0; step < 8; ++step) {
            const QRgb grey = image.pixel(step * 8 + 4, 8);
            SCOPED_TRACE(step);
            EXPECT_NEAR(qRed(grey), f.steps[step], f.tolerance);
            EXPECT_NEAR(qGreen(grey), qRed(grey), 2);
            EXPECT_NEAR(qBlue(grey), qRed(grey), 2);
            EXPECT_GE(qGreen(grey), previous); // the ramp stays monotone
            previous = qGreen(grey);
        }
        const QRgb white = image.pixel(56, 24);
        EXPECT_NEAR(qGreen(white), 237, f.tolerance);
        EXPECT_GT(qGreen(white), f.oldWhite + 40);
        // Pure primaries keep their hue: their own channel leads by far. (HLG's blue is darker:
        // its display light grows with the colour's luminance.)
        for (int c = 0; c < 3; ++c) {
            SCOPED_TRACE(c);
            const QRgb pure = image.pixel(c * 16 + 8, 24);
            const int channels[3] = {qRed(pure), qGreen(pure), qBlue(pure)};
            EXPECT_GT(channels[c], 140);
            EXPECT_LT(channels[(c + 1) % 3], 40);
            EXPECT_LT(channels[(c + 2) % 3], 40);
        }
    }
}

// A glance for a thumbnail (JPEG XL's reduced read, HEIF's and AVIF's whole picture) is brought
// to SDR the same way.
TEST(HdrDecoding, ThumbnailReadsAreBroughtToSdrToo) {
    DecodeHint hint;
    hint.preview = true;
    hint.minSize = QSize(8, 4);
    for (const HdrFixture& f : kHdrFixtures) {
        SCOPED_TRACE(f.file);
        Picture picture;
        ASSERT_EQ(
            test::decodeBytes(test::readFormatFile(QString::fromLatin1(f.file)), picture, hint),
            Status::Ok);
        const QImage& image = picture.image();
        // JPEG XL's glance is its 1/8 preview, drawn from 16-bit rows as they come.
        ASSERT_EQ(image.width(), QString::fromLatin1(f.file).endsWith(".jxl") ? 8 : 64);
        const QRgb white = image.pixel(image.width() * 60 / 64, image.height() * 28 / 32);
        EXPECT_NEAR(qGreen(white), 237, f.tolerance);
        EXPECT_TRUE(picture.metadata().iccProfile.isEmpty());
    }
}

} // namespace
} // namespace pix::imaging
