// Icons: the largest picture, bitmaps with their AND mask, PNG pictures, sizes read from the
// picture rather than from the directory.
#include "imaging/testpictures.h"
#include "platform/imaging/decoder.h"

#include <QtEndian>
#include <functional>
#include <gtest/gtest.h>

namespace pix::imaging {
namespace {

using test::decodeBytes;
using test::measureBytes;

struct IconShape {
    int width = 8, height = 8, bits = 24;
    std::function<QRgb(int x, int y)> colour;      // straight ARGB; alpha used at 32 bits
    std::function<bool(int x, int y)> masked;      // AND mask bit: transparent
    int directoryWidth = -1, directoryHeight = -1; // what the directory claims; -1: the same
    int directoryBytes = -1;                       // -1: the true byte count
};

void le16(QByteArray& b, int v) {
    b.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF));
}
void le32(QByteArray& b, std::uint32_t v) {
    le16(b, int(v & 0xFFFF));
    le16(b, int(v >> 16));
}

// A bitmap icon picture: header, palette (a grey ramp at 8 bits), colour rows and AND mask,
// both bottom-up.
QByteArray dib(const IconShape& shape) {
    QByteArray b;
    le32(b, 40);
    le32(b, std::uint32_t(shape.width));
    le32(b, std::uint32_t(shape.height * 2));
    le16(b, 1);
    le16(b, shape.bits);
    for (int i = 0; i < 6; ++i)
        le32(b, 0);
    if (shape.bits == 8)
        for (int i = 0; i < 256; ++i)
            le32(b, std::uint32_t(i) * 0x010101u);
    const int stride = (shape.width * shape.bits + 31) / 32 * 4;
    for (int y = shape.height - 1; y >= 0; --y) {
        QByteArray row;
        for (int x = 0; x < shape.width; ++x) {
            const QRgb c = shape.colour(x, y);
            if (shape.bits == 8) {
                row.append(char(qRed(c)));
                continue;
            }
            row.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c)));
            if (shape.bits == 32)
                row.append(char(qAlpha(c)));
        }
        b += row + QByteArray(stride - row.size(), '\0');
    }
    const int maskStride = (shape.width + 31) / 32 * 4;
    for (int y = shape.height - 1; y >= 0; --y) {
        QByteArray row(maskStride, '\0');
        for (int x = 0; x < shape.width; ++x)
            if (shape.masked && shape.masked(x, y))
                row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        b += row;
    }
    return b;
}

QByteArray icon(const IconShape& shape, const QByteArray& picture) {
    QByteArray b;
    le16(b, 0);
    le16(b, 1);
    le16(b, 1);
    const int w = shape.directoryWidth >= 0 ? shape.directoryWidth : shape.width;
    const int h = shape.directoryHeight >= 0 ? shape.directoryHeight : shape.height;
    b.append(char(w & 0xFF)).append(char(h & 0xFF)).append('\0').append('\0');
    le16(b, 1);
    le16(b, shape.bits);
    le32(b, std::uint32_t(shape.directoryBytes >= 0 ? shape.directoryBytes : picture.size()));
    le32(b, 6 + 16);
    return b + picture;
}

QRgb checker(int x, int y) {
    return (x + y) % 2 ? qRgb(200, 30, 40) : qRgb(20, 90, 220);
}

TEST(Ico, TheAndMaskMakesABitmapTransparent) {
    for (int bits : {24, 8}) {
        SCOPED_TRACE(bits);
        IconShape shape;
        shape.bits = bits;
        shape.colour = bits == 8 ? [](int x, int) { return qRgb(x * 30, x * 30, x * 30); }
                                 : std::function<QRgb(int, int)>(checker);
        shape.masked = [](int x, int y) { return x < 3 && y < 2; };
        Picture picture;
        ASSERT_EQ(decodeBytes(icon(shape, dib(shape)), picture), Status::Ok);
        ASSERT_EQ(picture.image().size(), QSize(8, 8));
        EXPECT_EQ(qAlpha(picture.image().pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(picture.image().pixel(2, 1)), 0);
        EXPECT_EQ(picture.image().pixel(3, 0), shape.colour(3, 0));
        EXPECT_EQ(picture.image().pixel(0, 2), shape.colour(0, 2));
        EXPECT_EQ(picture.image().pixel(7, 7), shape.colour(7, 7));
    }
}

TEST(Ico, ThirtyTwoBitIconsCarryTheirOwnAlpha) {
    IconShape shape;
    shape.bits = 32;
    shape.colour = [](int x, int) { return qRgba(255, 0, 0, x < 4 ? 255 : 128); };
    shape.masked = [](int, int) { return true; }; // ignored when the picture has alpha
    Picture picture;
    ASSERT_EQ(decodeBytes(icon(shape, dib(shape)), picture), Status::Ok);
    const QImage straight = picture.toStraightArgb();
    EXPECT_EQ(straight.pixel(0, 0), qRgba(255, 0, 0, 255));
    EXPECT_EQ(qAlpha(straight.pixel(6, 3)), 128);
}

TEST(Ico, TheSizeComesFromThePictureNotTheDirectory) {
    IconShape shape;
    shape.width = 20;
    shape.height = 12;
    shape.colour = checker;
    shape.directoryWidth = 16;
    shape.directoryHeight = 16;
    shape.directoryBytes = 99999; // beyond the file
    const QByteArray file = icon(shape, dib(shape));
    QSize size;
    ASSERT_EQ(measureBytes(file, size), Status::Ok);
    EXPECT_EQ(size, QSize(20, 12));
    Picture picture;
    ASSERT_EQ(decodeBytes(file, picture), Status::Ok);
    EXPECT_EQ(picture.image().size(), QSize(20, 12));
    EXPECT_EQ(picture.image().pixel(19, 11), checker(19, 11));
}

TEST(Ico, ColourRowsCutShortAreRefused) {
    IconShape shape;
    shape.colour = checker;
    const QByteArray picture = dib(shape);
    Picture out;
    EXPECT_EQ(decodeBytes(icon(shape, picture.left(40 + 8 * 8 * 3 / 2)), out), Status::CorruptData);
    // Without its mask the picture is opaque.
    ASSERT_EQ(decodeBytes(icon(shape, picture.left(40 + 8 * 8 * 3)), out), Status::Ok);
    EXPECT_EQ(out.image().pixel(0, 0), checker(0, 0));
}

} // namespace
} // namespace pix::imaging
