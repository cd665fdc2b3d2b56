// Icons: the largest picture, bitmaps with their AND mask, PNG pictures, sizes read from the
// picture rather than from the directory.
#include "imaging/testpictures.h"
#include "platform/imaging/decoder.h"

#include <QtEndian>
#include <functional>
#include <gtest/gtest.h>

namespace pix::imaging {
namespace {

Status decodeBytes(const QByteArray& bytes, Picture& out) {
    return decodeMemory(reinterpret_cast<const unsigned char*>(bytes.constData()),
                        std::size_t(bytes.size()), out);
}

Status measureBytes(const QByteArray& bytes, QSize& size) {
    return measureMemory(reinterpret_cast<const unsigned char*>(bytes.constData()),
                         std::size_t(bytes.size()), size);
}

struct IconSpec {
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
QByteArray dib(const IconSpec& spec) {
    QByteArray b;
    le32(b, 40);
    le32(b, std::uint32_t(spec.width));
    le32(b, std::uint32_t(spec.height * 2));
    le16(b, 1);
    le16(b, spec.bits);
    for (int i = 0; i < 6; ++i)
        le32(b, 0);
    if (spec.bits == 8)
        for (int i = 0; i < 256; ++i)
            le32(b, std::uint32_t(i) * 0x010101u);
    const int stride = (spec.width * spec.bits + 31) / 32 * 4;
    for (int y = spec.height - 1; y >= 0; --y) {
        QByteArray row;
        for (int x = 0; x < spec.width; ++x) {
            const QRgb c = spec.colour(x, y);
            if (spec.bits == 8) {
                row.append(char(qRed(c)));
                continue;
            }
            row.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c)));
            if (spec.bits == 32)
                row.append(char(qAlpha(c)));
        }
        b += row + QByteArray(stride - row.size(), '\0');
    }
    const int maskStride = (spec.width + 31) / 32 * 4;
    for (int y = spec.height - 1; y >= 0; --y) {
        QByteArray row(maskStride, '\0');
        for (int x = 0; x < spec.width; ++x)
            if (spec.masked && spec.masked(x, y))
                row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        b += row;
    }
    return b;
}

QByteArray icon(const IconSpec& spec, const QByteArray& picture) {
    QByteArray b;
    le16(b, 0);
    le16(b, 1);
    le16(b, 1);
    const int w = spec.directoryWidth >= 0 ? spec.directoryWidth : spec.width;
    const int h = spec.directoryHeight >= 0 ? spec.directoryHeight : spec.height;
    b.append(char(w & 0xFF)).append(char(h & 0xFF)).append('\0').append('\0');
    le16(b, 1);
    le16(b, spec.bits);
    le32(b, std::uint32_t(spec.directoryBytes >= 0 ? spec.directoryBytes : picture.size()));
    le32(b, 6 + 16);
    return b + picture;
}

QRgb checker(int x, int y) {
    return (x + y) % 2 ? qRgb(200, 30, 40) : qRgb(20, 90, 220);
}

TEST(Ico, TheAndMaskMakesABitmapTransparent) {
    for (int bits : {24, 8}) {
        SCOPED_TRACE(bits);
        IconSpec spec;
        spec.bits = bits;
        spec.colour = bits == 8 ? [](int x, int) { return qRgb(x * 30, x * 30, x * 30); }
                                : std::function<QRgb(int, int)>(checker);
        spec.masked = [](int x, int y) { return x < 3 && y < 2; };
        Picture picture;
        ASSERT_EQ(decodeBytes(icon(spec, dib(spec)), picture), Status::Ok);
        ASSERT_EQ(picture.image().size(), QSize(8, 8));
        EXPECT_EQ(qAlpha(picture.image().pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(picture.image().pixel(2, 1)), 0);
        EXPECT_EQ(picture.image().pixel(3, 0), spec.colour(3, 0));
        EXPECT_EQ(picture.image().pixel(0, 2), spec.colour(0, 2));
        EXPECT_EQ(picture.image().pixel(7, 7), spec.colour(7, 7));
    }
}

TEST(Ico, ThirtyTwoBitIconsCarryTheirOwnAlpha) {
    IconSpec spec;
    spec.bits = 32;
    spec.colour = [](int x, int) { return qRgba(255, 0, 0, x < 4 ? 255 : 128); };
    spec.masked = [](int, int) { return true; }; // ignored when the picture has alpha
    Picture picture;
    ASSERT_EQ(decodeBytes(icon(spec, dib(spec)), picture), Status::Ok);
    const QImage straight = picture.toStraightArgb();
    EXPECT_EQ(straight.pixel(0, 0), qRgba(255, 0, 0, 255));
    EXPECT_EQ(qAlpha(straight.pixel(6, 3)), 128);
}

TEST(Ico, TheSizeComesFromThePictureNotTheDirectory) {
    IconSpec spec;
    spec.width = 20;
    spec.height = 12;
    spec.colour = checker;
    spec.directoryWidth = 16;
    spec.directoryHeight = 16;
    spec.directoryBytes = 99999; // beyond the file
    const QByteArray file = icon(spec, dib(spec));
    QSize size;
    ASSERT_EQ(measureBytes(file, size), Status::Ok);
    EXPECT_EQ(size, QSize(20, 12));
    Picture picture;
    ASSERT_EQ(decodeBytes(file, picture), Status::Ok);
    EXPECT_EQ(picture.image().size(), QSize(20, 12));
    EXPECT_EQ(picture.image().pixel(19, 11), checker(19, 11));
}

TEST(Ico, ColourRowsCutShortAreRefused) {
    IconSpec spec;
    spec.colour = checker;
    const QByteArray picture = dib(spec);
    Picture out;
    EXPECT_EQ(decodeBytes(icon(spec, picture.left(40 + 8 * 8 * 3 / 2)), out), Status::CorruptData);
    // Without its mask the picture is opaque.
    ASSERT_EQ(decodeBytes(icon(spec, picture.left(40 + 8 * 8 * 3)), out), Status::Ok);
    EXPECT_EQ(out.image().pixel(0, 0), checker(0, 0));
}

} // namespace
} // namespace pix::imaging
