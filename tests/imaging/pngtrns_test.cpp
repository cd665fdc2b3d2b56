// A grey PNG whose transparent grey lies beyond its bit depth: libpng warns and compares only the
// depth's low bits, as other readers do, so that level is transparent.
#include "imaging/pngbuilder.h"
#include "imaging/testpictures.h"
#include "platform/imaging/decoder.h"

#include <gtest/gtest.h>
#include <png.h>

namespace pix::imaging {
namespace {

// The file with a tRNS chunk of that grey before its image data. (libpng does not write a value
// beyond the depth.)
QByteArray withTransparentGrey(QByteArray png, std::uint16_t grey) {
    QByteArray chunk(4 + 4 + 2 + 4, '\0');
    test::putBE32(chunk, 0, 2);
    chunk.replace(4, 4, "tRNS");
    chunk[8] = char(grey >> 8);
    chunk[9] = char(grey & 0xFF);
    test::putBE32(chunk, 10, test::crc32(chunk.mid(4, 6)));
    return png.insert(png.indexOf("IDAT") - 4, chunk);
}

TEST(PngTrns, AGreyBeyondTheDepthMakesItsLowBitsTransparent) {
    struct Case {
        int depth;
        std::uint16_t stored; // the tRNS value
        int transparent;      // the level it makes transparent
    };
    const Case cases[] = {{1, 2, 0},     {1, 3, 1},     {1, 0xFFFE, 0}, {2, 5, 1},
                          {2, 0x103, 3}, {4, 0x1F, 15}, {4, 0x40, 0},   {8, 0x1FF, 255},
                          {1, 1, 1},     {4, 9, 9}}; // the last two within the depth
    for (const Case& c : cases) {
        for (bool interlaced : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.depth << " bits, tRNS " << c.stored
                                            << (interlaced ? ", interlaced" : ""));
            const int levels = 1 << c.depth;
            test::PngShape shape;
            shape.colourType = PNG_COLOR_TYPE_GRAY;
            shape.depth = c.depth;
            shape.width = levels;
            shape.height = 3;
            shape.interlaced = interlaced;
            // Every row holds every level, left to right.
            for (int y = 0; y < shape.height; ++y) {
                std::vector<std::uint8_t> row(test::pngRowBytes(shape));
                for (int x = 0; x < levels; ++x)
                    row[std::size_t(x * c.depth / 8)] |=
                        std::uint8_t(x << (8 - c.depth - x * c.depth % 8));
                shape.rows.push_back(row);
            }
            Picture picture;
            ASSERT_EQ(
                test::decodeBytes(withTransparentGrey(test::writePng(shape), c.stored), picture),
                Status::Ok)
                << qPrintable(lastDecodeDetail());
            ASSERT_TRUE(picture.hasAlpha());
            const QImage image = picture.toStraightArgb();
            for (int x = 0; x < levels; ++x) {
                const int grey = x * 255 / (levels - 1);
                const QRgb want = x == c.transparent ? qRgba(0, 0, 0, 0) : qRgb(grey, grey, grey);
                const QRgb got = image.pixel(x, 2);
                EXPECT_EQ(qAlpha(got), qAlpha(want)) << "level " << x;
                if (qAlpha(want) != 0) {
                    EXPECT_EQ(got, want) << "level " << x;
                }
            }
        }
    }
}

} // namespace
} // namespace pix::imaging
