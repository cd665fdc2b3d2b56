// PNG through libpng: every colour type, depth, transparency and interlace decodes to the
// pixels Qt's reader gives, and a damaged file is refused with libpng's message kept as the
// decode's detail instead of printed.
#include "imaging/pngbuilder.h"
#include "imaging/stderrcapture.h"
#include "imaging/testpictures.h"
#include "platform/imaging/decoder.h"

#include <QtEndian>
#include <gtest/gtest.h>
#include <png.h>

namespace pix::imaging {
namespace {

using test::decodeBytes;
using test::measureBytes;

struct Kind {
    int colourType, depth;
    bool transparency;
};

TEST(Png, EveryKindDecodesToThePixelsQtReads) {
    const Kind kinds[] = {
        {PNG_COLOR_TYPE_GRAY, 1, false},       {PNG_COLOR_TYPE_GRAY, 1, true},
        {PNG_COLOR_TYPE_GRAY, 2, false},       {PNG_COLOR_TYPE_GRAY, 2, true},
        {PNG_COLOR_TYPE_GRAY, 4, false},       {PNG_COLOR_TYPE_GRAY, 4, true},
        {PNG_COLOR_TYPE_GRAY, 8, false},       {PNG_COLOR_TYPE_GRAY, 8, true},
        {PNG_COLOR_TYPE_GRAY, 16, false},      {PNG_COLOR_TYPE_GRAY, 16, true},
        {PNG_COLOR_TYPE_RGB, 8, false},        {PNG_COLOR_TYPE_RGB, 8, true},
        {PNG_COLOR_TYPE_RGB, 16, false},       {PNG_COLOR_TYPE_PALETTE, 1, false},
        {PNG_COLOR_TYPE_PALETTE, 1, true},     {PNG_COLOR_TYPE_PALETTE, 2, false},
        {PNG_COLOR_TYPE_PALETTE, 4, true},     {PNG_COLOR_TYPE_PALETTE, 8, false},
        {PNG_COLOR_TYPE_PALETTE, 8, true},     {PNG_COLOR_TYPE_GRAY_ALPHA, 8, true},
        {PNG_COLOR_TYPE_GRAY_ALPHA, 16, true}, {PNG_COLOR_TYPE_RGB_ALPHA, 8, true},
        {PNG_COLOR_TYPE_RGB_ALPHA, 16, true},
    };
    for (const Kind& kind : kinds) {
        for (const bool interlaced : {false, true}) {
            SCOPED_TRACE(testing::Message() << "colour type " << kind.colourType << ", depth "
                                            << kind.depth << ", transparency " << kind.transparency
                                            << ", interlaced " << interlaced);
            const QByteArray bytes = test::writePng(
                test::randomShape(kind.colourType, kind.depth, kind.transparency, interlaced));
            ASSERT_FALSE(bytes.isEmpty());
            const Picture expected(QImage::fromData(bytes, "PNG"));
            ASSERT_FALSE(expected.isNull());
            Picture picture;
            ASSERT_EQ(decodeBytes(bytes, picture), Status::Ok);
            EXPECT_EQ(picture.image().format(), expected.image().format());
            EXPECT_EQ(picture.image(), expected.image());
            EXPECT_EQ(lastDecodeDetail(), QString());
        }
    }
}

// The same rows with an alpha channel: transparent where the colour is the tRNS colour.
test::PngShape withAlphaFromTrns(const test::PngShape& rgb) {
    test::PngShape rgba = rgb;
    rgba.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    rgba.transparentRgb[0] = rgba.transparentRgb[1] = rgba.transparentRgb[2] = std::nullopt;
    for (std::vector<std::uint8_t>& row : rgba.rows) {
        std::vector<std::uint8_t> out;
        for (std::size_t at = 0; at < row.size(); at += 6) {
            out.insert(out.end(), row.begin() + qsizetype(at), row.begin() + qsizetype(at + 6));
            bool key = true;
            for (int c = 0; c < 3; ++c)
                key = key && (row[at + 2 * c] << 8 | row[at + 2 * c + 1]) == *rgb.transparentRgb[c];
            out.push_back(key ? 0 : 0xFF);
            out.push_back(key ? 0 : 0xFF);
        }
        row = out;
    }
    return rgba;
}

// Qt's reader read these rows as if they had four samples a pixel, which scrambled them; the
// transparent colour becomes alpha instead.
TEST(Png, SixteenBitRgbWithATransparentColourHasThatColourTransparent) {
    for (const bool interlaced : {false, true}) {
        const test::PngShape rgb = test::randomShape(PNG_COLOR_TYPE_RGB, 16, true, interlaced);
        const Picture expected(QImage::fromData(test::writePng(withAlphaFromTrns(rgb)), "PNG"));
        Picture picture;
        ASSERT_EQ(decodeBytes(test::writePng(rgb), picture), Status::Ok);
        EXPECT_EQ(picture.image().format(), QImage::Format_ARGB32_Premultiplied);
        EXPECT_EQ(picture.image(), expected.image());
        EXPECT_EQ(picture.image().pixel(0, 0), 0u); // the first pixel has the transparent colour
    }
}

TEST(Png, PaletteIndicesBeyondThePaletteDecodeAsQtReadsThem) {
    for (const int depth : {1, 2, 8}) {
        SCOPED_TRACE(depth);
        test::PngShape s = test::randomShape(PNG_COLOR_TYPE_PALETTE, depth, false, false);
        s.palette.resize(3); // one colour; the random rows use others
        const QByteArray bytes = test::writePng(s);
        const Picture expected(QImage::fromData(bytes, "PNG"));
        Picture picture;
        ASSERT_EQ(decodeBytes(bytes, picture), Status::Ok);
        EXPECT_EQ(picture.image().format(), expected.image().format());
        EXPECT_EQ(picture.image(), expected.image());
        // libpng's warning (it checks packed rows) is kept though the picture decodes.
        if (depth == 2) {
            EXPECT_TRUE(lastDecodeDetail().contains("palette index"))
                << lastDecodeDetail().toStdString();
        }
    }
}

// A compressible picture whose image data is overwritten in the middle of its first IDAT chunk,
// with the chunk's checksum made to match, so that only the deflate stream is wrong and it
// breaks before the last row. (A change that still inflates, to wrong bytes, is caught only by
// the stream's checksum after the rows; libpng accepts the picture then, with a warning.)
QByteArray pngWithDamagedImageData() {
    QByteArray png = test::encodeToMemory(test::gradient(64, 64), "image/png");
    const qsizetype type = png.indexOf("IDAT");
    const qsizetype length = qFromBigEndian<quint32>(png.constData() + type - 4);
    for (qsizetype i = length / 2; i < length / 2 + 8; ++i)
        png[type + 4 + i] = char(0xFF);
    test::putBE32(png, int(type + 4 + length), test::crc32(png.mid(type, 4 + length)));
    return png;
}

TEST(Png, DamagedImageDataIsRefusedQuietlyWithLibpngsMessageAsTheDetail) {
    const QByteArray damaged = pngWithDamagedImageData();
    Picture picture;
    Status status = Status::Ok;
    const QByteArray printed = test::stderrOf([&] { status = decodeBytes(damaged, picture); });
    EXPECT_EQ(status, Status::CorruptData) << lastDecodeDetail().toStdString();
    EXPECT_TRUE(picture.isNull());
    EXPECT_TRUE(lastDecodeDetail().contains("IDAT")) << lastDecodeDetail().toStdString();
    EXPECT_EQ(printed, QByteArray());

    // The next decode starts afresh: a good file leaves no detail behind.
    ASSERT_EQ(decodeBytes(test::encodeToMemory(test::quadrants(8, 8), "image/png"), picture),
              Status::Ok);
    EXPECT_EQ(lastDecodeDetail(), QString());
}

TEST(Png, ADamagedHeaderIsRefusedWhenMeasuredWithTheChunkNamed) {
    QByteArray png = test::encodeToMemory(test::quadrants(8, 8), "image/png");
    png[29] = char(png[29] ^ 1); // IHDR's checksum no longer matches
    QSize size;
    Status status = Status::Ok;
    const QByteArray printed = test::stderrOf([&] { status = measureBytes(png, size); });
    EXPECT_EQ(status, Status::CorruptData);
    EXPECT_TRUE(lastDecodeDetail().contains("IHDR")) << lastDecodeDetail().toStdString();
    EXPECT_EQ(printed, QByteArray());
    ASSERT_EQ(measureBytes(test::encodeToMemory(test::quadrants(8, 8), "image/png"), size),
              Status::Ok);
    EXPECT_EQ(lastDecodeDetail(), QString());
}

} // namespace
} // namespace pix::imaging
