// The player's parts on their own: the mapping modes, the object table, saved device context
// states, bitmap decoding and character sets. Cases the sample files do not reach.
#include "platform/wmf/wmfcontext.h"
#include "platform/wmf/wmfdib.h"
#include "platform/wmf/wmfmapping.h"
#include "platform/wmf/wmfobjects.h"
#include "platform/wmf/wmftext.h"

#include <QByteArray>
#include <gtest/gtest.h>
#include <initializer_list>

using namespace pix::wmf;

namespace {

struct MappingCase {
    int mode;
    QPointF logical;
    QPointF reference; // where it lands, with the window origin at (100, 50)
};

TEST(WmfMapping, FixedModesUseTheirUnitsAndDirection) {
    const MappingCase cases[] = {
        {MmText, {110, 60}, {10, 10}},
        {MmLoMetric, {354, 50}, {96, -0}},   // 254 tenths of a millimetre: an inch
        {MmHiMetric, {2640, 50}, {96, 0}},   // 2540 hundredths: an inch
        {MmLoEnglish, {100, 150}, {0, -96}}, // y grows upwards
        {MmHiEnglish, {1100, 50}, {96, 0}},
        {MmTwips, {100, 1490}, {0, -96}},
    };
    for (const MappingCase& c : cases) {
        Viewing view;
        view.setMapMode(c.mode);
        view.setWindowOrg({100, 50});
        const QPointF mapped = view.toReference().map(c.logical);
        EXPECT_NEAR(mapped.x(), c.reference.x(), 1e-9) << c.mode;
        EXPECT_NEAR(mapped.y(), c.reference.y(), 1e-9) << c.mode;
    }
}

TEST(WmfMapping, ExtentsOnlyInTheScalableModes) {
    Viewing view;
    EXPECT_FALSE(view.setWindowExt({10, 10})); // text mode keeps one unit per pixel
    view.setMapMode(MmAnisotropic);
    EXPECT_FALSE(view.setWindowExt({0, 10}));
    EXPECT_TRUE(view.setWindowExt({200, 100}));
    EXPECT_TRUE(view.setViewportExt({100, -100}));
    EXPECT_EQ(view.toReference().map(QPointF(200, 100)), QPointF(100, -100));
    view.scaleWindowExt(1, 2, 1, 0); // a zero denominator is refused
    EXPECT_EQ(view.windowExt(), QPointF(200, 100));
    view.scaleWindowExt(1, 2, 3, 1);
    EXPECT_EQ(view.windowExt(), QPointF(100, 300));
}

TEST(WmfMapping, IsotropicKeepsTheAspectAndTheDirections) {
    Viewing view;
    view.setMapMode(MmIsotropic);
    view.setWindowExt({100, 100});
    view.setViewportExt({400, -200});
    // The smaller scale, 2, for both axes; y still points up.
    EXPECT_EQ(view.toReference().map(QPointF(100, 100)), QPointF(200, -200));
}

TEST(WmfMapping, FrameFillsTheTarget) {
    const auto t = frameTransform(QRectF(QPointF(10, 80), QPointF(110, 30)), QSizeF(200, 100));
    ASSERT_TRUE(t.has_value());
    EXPECT_EQ(t->map(QPointF(10, 30)), QPointF(0, 0));
    EXPECT_EQ(t->map(QPointF(110, 80)), QPointF(200, 100));
    EXPECT_FALSE(frameTransform(QRectF(0, 0, 0, 10), QSizeF(10, 10)).has_value());
}

TEST(WmfObjects, LowestFreeSlotIsTakenFirst) {
    ObjectTable table;
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(table.add(Pen{}), i);
    table.remove(3);
    table.remove(1);
    table.remove(1); // twice: the second does nothing
    table.remove(70000);
    EXPECT_EQ(table.find(1), nullptr);
    EXPECT_EQ(table.add(Brush{}), 1);
    EXPECT_EQ(table.add(Font{}), 3);
    EXPECT_EQ(table.add(Palette{}), 5);
    EXPECT_NE(std::get_if<Font>(table.find(3)), nullptr);
}

TEST(WmfContext, RestoreRelativeAndAbsolute) {
    Context context(nullptr, QSize(10, 10), {});
    for (int level = 1; level <= 4; ++level) {
        context.dc.textAlign = level;
        context.saveDc();
    }
    context.dc.textAlign = 9;
    EXPECT_TRUE(context.restoreDc(-1));
    EXPECT_EQ(context.dc.textAlign, 4);
    EXPECT_TRUE(context.restoreDc(2)); // the second save: drops the third as well
    EXPECT_EQ(context.dc.textAlign, 2);
    EXPECT_FALSE(context.restoreDc(-2)); // only one left
    EXPECT_FALSE(context.restoreDc(0));
    EXPECT_EQ(context.dc.textAlign, 2);
    EXPECT_TRUE(context.restoreDc(-1));
    EXPECT_EQ(context.dc.textAlign, 1);
}

// A BITMAPINFOHEADER of the given size and depth followed by `tail` (colour table and pixels).
QByteArray dib(int width, int height, int bpp, int compression,
               std::initializer_list<unsigned char> tail, int colorsUsed = 0) {
    QByteArray d(40, '\0');
    const auto put = [&](int at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            d[at + i] = char((v >> (8 * i)) & 0xFF);
    };
    put(0, 40);
    put(4, std::uint32_t(width));
    put(8, std::uint32_t(height));
    put(12, 1 | (std::uint32_t(bpp) << 16));
    put(16, std::uint32_t(compression));
    put(32, std::uint32_t(colorsUsed));
    for (unsigned char b : tail)
        d.append(char(b));
    return d;
}

DecodedBitmap decode(const QByteArray& d, int usage = 0) {
    return decodeDib(reinterpret_cast<const unsigned char*>(d.constData()), std::size_t(d.size()),
                     usage);
}

TEST(WmfDib, FourBitsTopDown) {
    // Two colours used, two rows of two pixels, the top row first (negative height).
    const QByteArray d = dib(2, -2, 4, 0,
                             {0, 0, 255, 0, 255, 0, 0, 0, // red, blue
                              0x01, 0, 0, 0, 0x10, 0, 0, 0},
                             2);
    const DecodedBitmap b = decode(d);
    ASSERT_EQ(b.status, BitmapStatus::Ok);
    EXPECT_FALSE(b.bottomUp);
    EXPECT_EQ(b.image.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(b.image.pixel(1, 0), qRgb(0, 0, 255));
    EXPECT_EQ(b.image.pixel(0, 1), qRgb(0, 0, 255));
    EXPECT_EQ(b.image.pixel(1, 1), qRgb(255, 0, 0));
}

TEST(WmfDib, SixteenBitsByMasksAndByDefault) {
    // 5-5-5 by default: 0x7C00 is full red. With 5-6-5 masks, 0x07E0 is full green.
    const DecodedBitmap plain = decode(dib(1, 1, 16, 0, {0x00, 0x7C, 0, 0}));
    ASSERT_EQ(plain.status, BitmapStatus::Ok);
    EXPECT_EQ(plain.image.pixel(0, 0), qRgb(255, 0, 0));
    const DecodedBitmap masked = decode(
        dib(1, 1, 16, 3, {0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0, 0xE0, 0x07, 0, 0}));
    ASSERT_EQ(masked.status, BitmapStatus::Ok);
    EXPECT_EQ(masked.image.pixel(0, 0), qRgb(0, 255, 0));
}

TEST(WmfDib, RefusesWhatItCannotOrShouldNotDecode) {
    // Pixels missing: a 4 x 4 bitmap of 24 bits needs 48 bytes.
    EXPECT_EQ(decode(dib(4, 4, 24, 0, {1, 2, 3})).status, BitmapStatus::Malformed);
    // Absurd dimensions are found short of data before anything is allocated.
    EXPECT_EQ(decode(dib(0x7FFFFFFF, 0x7FFFFFFF, 32, 0, {})).status, BitmapStatus::Malformed);
    EXPECT_EQ(decode(dib(0, 1, 24, 0, {0, 0, 0, 0})).status, BitmapStatus::Malformed);
    // A header that claims to be longer than the data.
    QByteArray longHeader = dib(1, 1, 24, 0, {0, 0, 0, 0});
    longHeader[0] = char(200);
    EXPECT_EQ(decode(longHeader).status, BitmapStatus::Malformed);
    // Valid but not decoded here: run-length compression, palette indices.
    EXPECT_EQ(decode(dib(1, 1, 8, 1, {0, 0, 0, 0})).status, BitmapStatus::Unsupported);
    EXPECT_EQ(decode(dib(1, 1, 8, 0, {0, 0, 0, 0}, 1), 1).status, BitmapStatus::Unsupported);
}

TEST(WmfCharset, DecodesByTheFontsCharacterSet) {
    EXPECT_EQ(decodeText(QByteArray("\x80 caf\xE9", 6), 0), QString::fromUtf8("€ café"));
    EXPECT_EQ(decodeText(QByteArray("\xCF\xF0\xE8", 3), 204), QString::fromUtf8("При"));
    EXPECT_EQ(decodeText(QByteArray("\xE9", 1), 2), QString(QChar(0xE9))); // symbol: as is
}

} // namespace
