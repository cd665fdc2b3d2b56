// Turning, flipping and stretched drawing.
#include "imaging/testpictures.h"
#include "platform/imaging/transform.h"

#include <gtest/gtest.h>

namespace pix::imaging {
namespace {

using test::kBlue;
using test::kGreen;
using test::kRed;
using test::kYellow;

struct RotateFlipCase {
    RotateFlipType type;
    QSize size; // of a 40 x 20 source afterwards
    test::Quadrants expected;
};

// Where the quadrants of red/green over blue/yellow land after each rotate-flip type.
const RotateFlipCase kRotateFlipCases[] = {
    {RotateNoneFlipNone, {40, 20}, {kRed, kGreen, kBlue, kYellow}},
    {Rotate90FlipNone, {20, 40}, {kBlue, kRed, kYellow, kGreen}},
    {Rotate180FlipNone, {40, 20}, {kYellow, kBlue, kGreen, kRed}},
    {Rotate270FlipNone, {20, 40}, {kGreen, kYellow, kRed, kBlue}},
    {RotateNoneFlipX, {40, 20}, {kGreen, kRed, kYellow, kBlue}},
    {Rotate90FlipX, {20, 40}, {kRed, kBlue, kGreen, kYellow}},
    {Rotate180FlipX, {40, 20}, {kBlue, kYellow, kRed, kGreen}},
    {Rotate270FlipX, {20, 40}, {kYellow, kGreen, kBlue, kRed}},
};

TEST(RotateFlip, EveryTypeMovesTheQuadrantsAsExpected) {
    for (const auto& c : kRotateFlipCases) {
        SCOPED_TRACE(c.type);
        Picture picture = test::quadrants(40, 20);
        ASSERT_EQ(rotateFlip(picture, c.type), Status::Ok);
        EXPECT_EQ(picture.image().size(), c.size);
        const auto q = test::sampleQuadrants(picture);
        EXPECT_EQ(q.topLeft, c.expected.topLeft);
        EXPECT_EQ(q.topRight, c.expected.topRight);
        EXPECT_EQ(q.bottomLeft, c.expected.bottomLeft);
        EXPECT_EQ(q.bottomRight, c.expected.bottomRight);
        EXPECT_FALSE(picture.hasAlpha()) << "an opaque picture stays opaque";
    }
}

TEST(RotateFlip, FourQuarterTurnsGiveBackTheOriginalExactly) {
    const Picture original = test::gradient(37, 23);
    Picture picture = original;
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(rotateFlip(picture, Rotate90FlipNone), Status::Ok);
    EXPECT_EQ(picture.image(), original.image());
}

TEST(RotateFlip, ComposedTypeEqualsTheTwoAppliedInTurn) {
    const Picture original = test::gradient(7, 4); // no symmetry: every type differs
    for (RotateFlipType first : test::kAllRotateFlipTypes) {
        for (RotateFlipType second : test::kAllRotateFlipTypes) {
            SCOPED_TRACE(testing::Message() << first << " then " << second);
            Picture stepwise = original;
            ASSERT_EQ(rotateFlip(stepwise, first), Status::Ok);
            ASSERT_EQ(rotateFlip(stepwise, second), Status::Ok);
            Picture once = original;
            ASSERT_EQ(rotateFlip(once, composeRotateFlip(first, second)), Status::Ok);
            EXPECT_EQ(once.image(), stepwise.image());
        }
    }
}

TEST(RotateFlip, BandsCopiedOneAtATimeGiveTheWholeTurn) {
    const Picture original = test::gradient(45, 29);
    const QImage& source = original.image();
    for (RotateFlipType type : test::kAllRotateFlipTypes) {
        SCOPED_TRACE(type);
        Picture whole = original;
        ASSERT_EQ(rotateFlip(whole, type), Status::Ok);
        const QSize size = rotatedSize(source.width(), source.height(), type);
        QImage banded(size, source.format());
        banded.fill(0);
        for (int y = 0; y < source.height(); y += 8) {
            const int count = std::min(8, source.height() - y);
            copyRowsRotated(source.constScanLine(y), source.bytesPerLine(), y, count, source.size(),
                            type, banded);
        }
        EXPECT_EQ(banded, whole.image());
    }
}

TEST(RotateFlip, RefusesUnknownTypesAndNullPictures) {
    Picture picture = test::quadrants(4, 4);
    // Values from outside (a file, a cast) may be anything.
    EXPECT_EQ(rotateFlip(picture, RotateFlipType(8)), Status::InvalidParameter);
    EXPECT_EQ(rotateFlip(picture, RotateFlipType(-1)), Status::InvalidParameter);
    Picture empty;
    EXPECT_EQ(rotateFlip(empty, Rotate90FlipNone), Status::InvalidParameter);
}

TEST(CreatePicture, IsTransparentAndRefusesAbsurdSizes) {
    Picture picture;
    ASSERT_EQ(createPicture(3, 2, picture), Status::Ok);
    EXPECT_TRUE(picture.hasAlpha());
    EXPECT_EQ(picture.image().pixel(2, 1), 0u);
    EXPECT_EQ(createPicture(0, 10, picture), Status::InvalidParameter);
    EXPECT_EQ(createPicture(-5, 10, picture), Status::InvalidParameter);
    EXPECT_EQ(createPicture(kMaxSide + 1, 1, picture), Status::TooLarge);
    EXPECT_EQ(createPicture(40000, 40000, picture), Status::TooLarge);
}

TEST(DrawStretched, FillsTheTargetAtExactlyTheRequestedSize) {
    const QSize sizes[] = {{1, 1}, {123, 457}, {800, 600}, {3, 1000}, {40, 20}};
    for (const QSize size : sizes) {
        SCOPED_TRACE(QString("%1x%2").arg(size.width()).arg(size.height()).toStdString());
        Picture target;
        ASSERT_EQ(createPicture(size.width(), size.height(), target), Status::Ok);
        ASSERT_EQ(drawStretched(test::quadrants(40, 20), target, size.width(), size.height()),
                  Status::Ok);
        EXPECT_EQ(target.image().size(), size);
        EXPECT_FALSE(target.hasAlpha()) << "an opaque source covering the target stays opaque";
        if (size.width() >= 4 && size.height() >= 4) {
            const auto q = test::sampleQuadrants(target);
            EXPECT_EQ(q.topLeft, kRed);
            EXPECT_EQ(q.bottomRight, kYellow);
        }
    }
}

TEST(DrawStretched, KeepsUniformColoursExactWhenShrinkingAndEnlarging) {
    QImage flat(97, 61, QImage::Format_RGB32);
    flat.fill(qRgb(13, 200, 77));
    for (const QSize size : {QSize(10, 7), QSize(300, 200), QSize(97, 5)}) {
        Picture target;
        ASSERT_EQ(createPicture(size.width(), size.height(), target), Status::Ok);
        ASSERT_EQ(drawStretched(Picture(flat), target, size.width(), size.height()), Status::Ok);
        QImage expected(size, QImage::Format_RGB32);
        expected.fill(qRgb(13, 200, 77));
        EXPECT_EQ(test::maxChannelDifference(target.image(), expected), 0);
    }
}

TEST(DrawStretched, AveragesTheCoveredAreaWhenShrinking) {
    // Columns alternate black and white: halving gives mid grey, not every other column.
    QImage stripes(64, 8, QImage::Format_RGB32);
    for (int x = 0; x < 64; ++x) {
        for (int y = 0; y < 8; ++y)
            stripes.setPixel(x, y, x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    }
    Picture target;
    ASSERT_EQ(createPicture(32, 8, target), Status::Ok);
    ASSERT_EQ(drawStretched(Picture(stripes), target, 32, 8), Status::Ok);
    for (int x = 0; x < 32; ++x)
        EXPECT_NEAR(qRed(target.image().pixel(x, 3)), 128, 1);
}

TEST(DrawStretched, StaysExactAtExtremeShrinkRatios) {
    // Hundreds of source pixels per output pixel: one white pixel among black ones must stay a
    // faint grey, not wrap around to white.
    for (const int width : {1200, 2000, 3200, 30000}) {
        QImage row(width, 1, QImage::Format_RGB32);
        row.fill(qRgb(0, 0, 0));
        row.setPixel(0, 0, qRgb(255, 255, 255));
        Picture out;
        ASSERT_EQ(resizePicture(Picture(row), 4, 1, out), Status::Ok);
        EXPECT_LE(qRed(out.image().pixel(0, 0)), 2) << width;
        EXPECT_EQ(qRed(out.image().pixel(3, 0)), 0) << width;
    }
}

TEST(DrawStretched, LeavesNoDarkFringeAtTransparentEdges) {
    // Opaque red beside fully transparent black: every mixed pixel must still be pure red.
    QImage image(16, 4, QImage::Format_ARGB32);
    for (int x = 0; x < 16; ++x) {
        for (int y = 0; y < 4; ++y)
            image.setPixel(x, y, x < 7 ? qRgba(255, 0, 0, 255) : qRgba(0, 0, 0, 0));
    }
    for (const int width : {5, 40}) {
        Picture target;
        ASSERT_EQ(createPicture(width, 4, target), Status::Ok);
        ASSERT_EQ(drawStretched(Picture(image), target, width, 4), Status::Ok);
        const QImage straight = target.toStraightArgb();
        for (int x = 0; x < width; ++x) {
            const QRgb p = straight.pixel(x, 1);
            if (qAlpha(p) > 16) {
                EXPECT_GE(qRed(p), 250) << "x " << x << " alpha " << qAlpha(p);
            }
        }
        EXPECT_EQ(qAlpha(straight.pixel(width - 1, 1)), 0);
        EXPECT_EQ(qAlpha(straight.pixel(0, 1)), 255);
    }
}

TEST(DrawStretched, RefusesEmptyAndAbsurdRectangles) {
    Picture target;
    ASSERT_EQ(createPicture(4, 4, target), Status::Ok);
    const Picture source = test::quadrants(4, 4);
    EXPECT_EQ(drawStretched(source, target, 0, 4), Status::InvalidParameter);
    EXPECT_EQ(drawStretched(Picture(), target, 4, 4), Status::InvalidParameter);
    EXPECT_EQ(drawStretched(source, target, 100000, 100000), Status::TooLarge);
}

TEST(Thumbnail, FitsTheBoxAndKeepsProportions) {
    Picture thumb;
    ASSERT_EQ(makeThumbnail(test::quadrants(400, 100), QSize(96, 70), thumb), Status::Ok);
    EXPECT_EQ(thumb.image().size(), QSize(96, 24));
    ASSERT_EQ(makeThumbnail(test::quadrants(30, 2000), QSize(96, 70), thumb), Status::Ok);
    EXPECT_EQ(thumb.image().size(), QSize(1, 70));
    ASSERT_EQ(makeThumbnail(test::quadrants(20, 10), QSize(96, 70), thumb), Status::Ok);
    EXPECT_EQ(thumb.image().size(), QSize(20, 10)) << "small pictures are not enlarged";
}

} // namespace
} // namespace pix::imaging
