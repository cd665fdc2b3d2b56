// A real clip-art metafile (tests/data/wmf/inkscape-frame.wmf, written by Inkscape from
// frame.svg) is framed by its placeable header's bounding box: its page fills the picture, edge
// to edge, with the mark where the drawing has it and what lies beyond the page cut off.
#include "imaging/testpictures.h"
#include "platform/imaging/decoder.h"

#include <QFile>
#include <QtEndian>
#include <cmath>
#include <gtest/gtest.h>

namespace pix::imaging {
namespace {

QByteArray frameMetafile() {
    QFile file(QStringLiteral(PIXOVIA_TEST_DATA "/wmf/inkscape-frame.wmf"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

using test::decodeBytes;

// Straight colours, with some room for antialiasing.
bool isRed(QRgb p) {
    return qRed(p) > 200 && qGreen(p) < 80 && qBlue(p) < 80;
}
bool isBlue(QRgb p) {
    return qBlue(p) > 200 && qRed(p) < 80 && qGreen(p) < 80;
}
bool isGreen(QRgb p) {
    return qGreen(p) > 200 && qRed(p) < 80 && qBlue(p) < 80;
}

// The first and one past the last index along a line where the colour test holds.
std::pair<int, int> span(const QImage& image, bool horizontal, int at, bool (*test)(QRgb)) {
    const int length = horizontal ? image.width() : image.height();
    int first = -1, end = -1;
    for (int i = 0; i < length; ++i) {
        if (test(horizontal ? image.pixel(i, at) : image.pixel(at, i))) {
            if (first < 0)
                first = i;
            end = i + 1;
        }
    }
    return {first, end};
}

// The page drawn at `scale` of its 240 x 120 pixels: blue strips 4 pixels wide along all four
// edges over yellow, the red mark at (170, 30)-(190, 50), a green disc centred at (60, 125)
// with radius 20, mostly below the page.
void expectPage(const QImage& image, double scale) {
    const auto s = [scale](double v) { return int(std::lround(v * scale)); };
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_EQ(qAlpha(image.pixel(x, y)), 255) << "uncovered at " << x << "," << y;
    for (double t : {0.05, 0.5, 0.95}) { // every edge is the page's own
        const int x = s(240 * t), y = s(120 * t);
        EXPECT_TRUE(isBlue(image.pixel(x, 0))) << x;
        EXPECT_TRUE(isBlue(image.pixel(0, y))) << y;
        EXPECT_TRUE(isBlue(image.pixel(image.width() - 1, y))) << y;
        EXPECT_TRUE(isBlue(image.pixel(x, image.height() - 1))) << x;
    }
    const auto [left, right] = span(image, true, s(40), isRed);
    const auto [top, bottom] = span(image, false, s(180), isRed);
    EXPECT_NEAR(left, 170 * scale, 1.5);
    EXPECT_NEAR(right, 190 * scale, 1.5);
    EXPECT_NEAR(top, 30 * scale, 1.5);
    EXPECT_NEAR(bottom, 50 * scale, 1.5);
    // Only the top of the disc is on the page: from y 105.
    const auto [discTop, discEnd] = span(image, false, s(60), isGreen);
    EXPECT_NEAR(discTop, 105 * scale, 1.5);
    EXPECT_EQ(discEnd, image.height());
}

TEST(WmfFrame, AnInkscapePageFillsThePictureAtAnySize) {
    const QByteArray wmf = frameMetafile();
    ASSERT_FALSE(wmf.isEmpty());
    QSize size;
    ASSERT_EQ(measureMemory(reinterpret_cast<const unsigned char*>(wmf.constData()),
                            std::size_t(wmf.size()), size),
              Status::Ok);
    EXPECT_EQ(size, QSize(240, 120)); // 2999 units at 1200 to the inch, at 96 dpi
    Picture own, half;
    ASSERT_EQ(decodeBytes(wmf, own), Status::Ok);
    ASSERT_EQ(own.image().size(), QSize(240, 120));
    expectPage(own.toStraightArgb(), 1.0);
    ASSERT_EQ(decodeBytes(wmf, half, {QSize(120, 60)}), Status::Ok);
    ASSERT_EQ(half.image().size(), QSize(120, 60));
    expectPage(half.toStraightArgb(), 0.5);
}

TEST(WmfFrame, ABoundingBoxLargerThanTheWindowShowsMoreThanThePage) {
    // The same records with the bounding box doubled (the window stays the page): the page
    // keeps its size in the top-left quarter, and the disc below it now shows whole.
    QByteArray wmf = frameMetafile();
    ASSERT_FALSE(wmf.isEmpty());
    qToLittleEndian<quint16>(5999, wmf.data() + 10);
    qToLittleEndian<quint16>(2999, wmf.data() + 12);
    Picture picture;
    ASSERT_EQ(decodeBytes(wmf, picture), Status::Ok);
    const QImage image = picture.toStraightArgb();
    ASSERT_EQ(image.size(), QSize(480, 240));
    const auto [left, right] = span(image, true, 40, isRed);
    EXPECT_NEAR(left, 170, 1.5);
    EXPECT_NEAR(right, 190, 1.5);
    EXPECT_TRUE(isBlue(image.pixel(238, 60))); // the page's right edge, where it was
    EXPECT_EQ(qAlpha(image.pixel(300, 60)), 0);
    EXPECT_EQ(qAlpha(image.pixel(120, 200)), 0);
    const auto [discTop, discEnd] = span(image, false, 60, isGreen);
    EXPECT_NEAR(discTop, 105, 1.5);
    EXPECT_NEAR(discEnd, 145, 1.5);
}

// A few bytes of header may claim a frame of gigabytes: without an asked size a metafile is
// drawn no larger than 8192 pixels on its long side, its proportions kept, and says so.
TEST(WmfFrame, WithoutAnAskedSizeAHugeFrameIsDrawnAt8192OnItsLongSide) {
    QByteArray wmf = frameMetafile();
    ASSERT_FALSE(wmf.isEmpty());
    qToLittleEndian<quint16>(29999, wmf.data() + 10);
    qToLittleEndian<quint16>(999, wmf.data() + 12);
    qToLittleEndian<quint16>(120, wmf.data() + 14); // units to the inch
    QSize own;
    ASSERT_EQ(measureMemory(reinterpret_cast<const unsigned char*>(wmf.constData()),
                            std::size_t(wmf.size()), own),
              Status::Ok);
    EXPECT_EQ(own, QSize(23999, 799));
    Picture picture;
    ASSERT_EQ(decodeBytes(wmf, picture), Status::Ok);
    EXPECT_EQ(picture.image().size(), QSize(8192, 273));
    EXPECT_EQ(lastDecodeDetail(), "drawn at 8192 x 273, not at its own 23999 x 799");
    ASSERT_EQ(decodeBytes(wmf, picture, {QSize(12000, 400)}), Status::Ok);
    EXPECT_EQ(picture.image().size(), QSize(12015, 400)) << "as large as asked, proportions kept";
}

} // namespace
} // namespace pix::imaging
