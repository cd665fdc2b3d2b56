// Measuring and rendering metafiles written by Inkscape and LibreOffice (tests/data/wmf).
#include "wmf/wmftestdata.h"

#include <QFontDatabase>
#include <QString>
#include <gtest/gtest.h>

using namespace wmftest;

namespace {

struct SizeCase {
    const char* file;
    QSize size;
};

TEST(WmfMeasure, PictureSizes) {
    const SizeCase cases[] = {
        // placeable: the bounding box at 96 dpi (2499 units at 1200 per inch is 200 pixels)
        {"inkscape-shapes.wmf", {200, 100}},
        {"inkscape-bitmap32.wmf", {100, 100}},
        {"libreoffice-shapes.wmf", {189, 89}},
        {"libreoffice-text.wmf", {190, 50}},
        // without the placeable header: the first window extent
        {"nonplaceable-shapes.wmf", {2499, 1249}},
    };
    for (const SizeCase& c : cases) {
        QSize size;
        EXPECT_EQ(measure(loadWmf(c.file), size), WmfResult::Ok) << c.file;
        EXPECT_EQ(size, c.size) << c.file;
    }
}

TEST(WmfMeasure, WrongPlaceableChecksumIsTolerated) {
    QByteArray data = loadWmf("inkscape-shapes.wmf");
    setU16(data, 20, 0x1234);
    QSize size;
    EXPECT_EQ(measure(data, size), WmfResult::Ok);
    EXPECT_EQ(size, QSize(200, 100));
}

TEST(WmfMeasure, RefusesEmptyAndHugeSizes) {
    QSize size;
    QByteArray empty = loadWmf("inkscape-shapes.wmf");
    setU16(empty, 10, 0); // bounding box right = left
    EXPECT_EQ(measure(empty, size), WmfResult::Malformed);

    QByteArray wide = loadWmf("inkscape-shapes.wmf");
    setU16(wide, 14, 1); // one unit per inch: 2499 units are 239904 pixels
    EXPECT_EQ(measure(wide, size), WmfResult::Malformed);

    QByteArray area = loadWmf("nonplaceable-shapes.wmf");
    const RecordAt ext = findRecord(area, 0x020C);
    setU16(area, ext.offset + 6, 30000); // 30000 x 30000 is above 2^28 pixels
    setU16(area, ext.offset + 8, 30000);
    EXPECT_EQ(measure(area, size), WmfResult::Malformed);
}

TEST(WmfMeasure, WithoutWindowExtentTheDrawingDecides) {
    QByteArray data = loadWmf("nonplaceable-shapes.wmf");
    setU16(data, findRecord(data, 0x020C).offset + 4, 0x0FFE); // no longer a window extent
    QSize size;
    ASSERT_EQ(measure(data, size), WmfResult::Ok);
    // The shapes span x 125 to 2375 and y 125 to about 1090 in logical units.
    EXPECT_NEAR(size.width(), 2250, 60);
    EXPECT_NEAR(size.height(), 960, 60);
}

TEST(WmfMeasure, NotAMetafile) {
    QSize size;
    EXPECT_EQ(measure(QByteArray(), size), WmfResult::NotWmf);
    const char bitmap[] = "BM\x10\x00\x00\x00 not a metafile at all";
    EXPECT_EQ(measure(QByteArray(bitmap, sizeof bitmap - 1), size), WmfResult::NotWmf);
    EXPECT_EQ(measure(loadWmf("inkscape-shapes.wmf").left(30), size), WmfResult::Malformed);
}

// Where the shapes of shapes.svg are, in its pixels, on a picture whose frame is `frame` (also
// in the drawing's pixels: LibreOffice frames the drawing a little inside the page).
void expectShapes(const QImage& image, const QRectF& frame, const char* what) {
    SCOPED_TRACE(what);
    const auto fx = [&](double x) { return (x - frame.left()) / frame.width(); };
    const auto fy = [&](double y) { return (y - frame.top()) / frame.height(); };
    EXPECT_TRUE(near(colorAt(image, fx(35), fy(35)), Qt::red));
    EXPECT_TRUE(near(colorAt(image, fx(100), fy(35)), Qt::blue));
    EXPECT_TRUE(near(colorAt(image, fx(165), fy(45)), Qt::green));
    EXPECT_TRUE(near(colorAt(image, fx(100), fy(85)), Qt::black));
    EXPECT_TRUE(isTransparentAt(image, fx(100), fy(70)));
    EXPECT_TRUE(isTransparentAt(image, fx(75), fy(20)));
}

const QRectF InkscapeFrame(0, 0, 200, 100);
const QRectF LibreOfficeFrame(5.6, 5.65, 188.75, 88.74);

TEST(WmfRender, ShapesLandWhereTheDrawingHasThem) {
    const std::pair<const char*, QRectF> files[] = {
        {"inkscape-shapes.wmf", InkscapeFrame},
        {"libreoffice-shapes.wmf", LibreOfficeFrame},
        {"nonplaceable-shapes.wmf", InkscapeFrame},
    };
    for (const auto& [file, frame] : files) {
        const QByteArray data = loadWmf(file);
        // The picture fills whatever target the caller chose.
        for (QSize target : {QSize(200, 100), QSize(420, 210), QSize(120, 60)}) {
            WmfResult result;
            const QImage image = render(data, target, &result);
            EXPECT_EQ(result, WmfResult::Ok) << file;
            expectShapes(image, frame, file);
        }
    }
}

TEST(WmfRender, MatchesReferenceRenderings) {
    const char* cases[][2] = {
        {"inkscape-shapes.wmf", "inkscape-shapes.ref.png"},
        {"libreoffice-shapes.wmf", "libreoffice-shapes.ref.png"},
        {"libreoffice-bitmap24.wmf", "libreoffice-bitmap24.ref.png"},
    };
    for (const auto& c : cases) {
        const QImage reference(QStringLiteral(PIXOVIA_TEST_DATA "/wmf/") + c[1]);
        ASSERT_FALSE(reference.isNull()) << c[1];
        const QImage image = render(loadWmf(c[0]), reference.size());
        // Antialiasing and bitmap smoothing differ between renderers; shapes out of place or in
        // the wrong colour would differ by far more.
        EXPECT_LT(meanDifference(image, reference), 0.05) << c[0];
    }
}

struct BitmapCase {
    const char* file;
    QColor quadrants[4]; // top left, top right, bottom left, bottom right
};

TEST(WmfRender, BitmapsOfEveryDepthKeepTheirOrientation) {
    const QColor white(Qt::white), black(Qt::black);
    const BitmapCase cases[] = {
        {"inkscape-bitmap32.wmf", {Qt::red, Qt::green, Qt::blue, Qt::yellow}},
        {"libreoffice-bitmap24.wmf", {Qt::red, Qt::green, Qt::blue, Qt::yellow}},
        {"libreoffice-bitmap8.wmf", {white, white, white, black}},
        {"libreoffice-bitmap1.wmf", {black, white, white, white}},
    };
    for (const BitmapCase& c : cases) {
        // The 8 x 8 bitmap covers 10 to 90 of a 100 x 100 picture.
        const QImage image = render(loadWmf(c.file), QSize(100, 100));
        EXPECT_TRUE(near(colorAt(image, 0.3, 0.3), c.quadrants[0])) << c.file;
        EXPECT_TRUE(near(colorAt(image, 0.7, 0.3), c.quadrants[1])) << c.file;
        EXPECT_TRUE(near(colorAt(image, 0.3, 0.7), c.quadrants[2])) << c.file;
        EXPECT_TRUE(near(colorAt(image, 0.7, 0.7), c.quadrants[3])) << c.file;
        EXPECT_TRUE(isTransparentAt(image, 0.05, 0.05)) << c.file;
    }
}

class WmfText : public ::testing::Test {
protected:
    void SetUp() override {
        if (QFontDatabase::families().isEmpty())
            GTEST_SKIP() << "no fonts installed";
    }
};

TEST_F(WmfText, TextOutSitsOnItsBaseline) {
    const QImage image = render(loadWmf("libreoffice-text.wmf"), QSize(400, 120));
    const QRect text = boxOf(image, QColor(0, 0, 128));
    // text.svg: "Pixovia", 40 px high, baseline at y 45 of 60, from x 10.
    ASSERT_FALSE(text.isEmpty());
    EXPECT_NEAR(text.left(), 10 * 2, 8);
    EXPECT_NEAR(text.bottom(), 45 * 2, 6);
    EXPECT_GT(text.height(), 50);
    EXPECT_GT(text.width(), 200);
}

TEST_F(WmfText, EscapementTurnsTheText) {
    const QImage image = render(loadWmf("libreoffice-fonts.wmf"), QSize(376, 216));
    const QRect spaced = boxOf(image, QColor(0, 128, 0));
    const QRect bold = boxOf(image, QColor(255, 0, 0));
    const QRect up = boxOf(image, QColor(0, 0, 255));
    ASSERT_FALSE(spaced.isEmpty() || bold.isEmpty() || up.isEmpty());
    EXPECT_GT(spaced.width(), spaced.height());
    EXPECT_LT(spaced.bottom(), bold.top());
    // "Up" is turned a quarter counter-clockwise, reading upwards from its reference point near
    // the bottom edge; turned the other way it would run off the picture.
    EXPECT_GT(up.height(), up.width());
    EXPECT_GT(up.height(), 30);
    EXPECT_GT(up.left(), bold.right());
}

TEST_F(WmfText, ExtTextOutFollowsTheAdvances) {
    const QByteArray data = loadWmf("libreoffice-textarray.wmf");
    const QColor ink(128, 0, 0);
    const QRect spaced = boxOf(render(data, QSize(378, 114)), ink);
    // Without its advances (the record shortened by the three dx words) the text packs tighter.
    QByteArray packed = data;
    const RecordAt text = findRecord(packed, 0x0A32);
    packed.remove(text.offset + 2 * text.words - 6, 6);
    setU32(packed, text.offset, std::uint32_t(text.words - 3));
    const QRect natural = boxOf(render(packed, QSize(378, 114)), ink);
    ASSERT_FALSE(spaced.isEmpty() || natural.isEmpty());
    EXPECT_EQ(spaced.left(), natural.left());
    EXPECT_GT(spaced.right(), natural.right() + 10);
}

TEST(WmfRender, ObjectTableFollowsTheLowestFreeSlotRule) {
    // inkscape-shapes deletes slot 3 and creates each fill brush again in it; a table that
    // handed out another slot would select the wrong brush for every shape.
    const QImage image = render(loadWmf("inkscape-shapes.wmf"), QSize(200, 100));
    expectShapes(image, InkscapeFrame, "inkscape-shapes.wmf");
}

TEST(WmfRender, SelectingAnEmptyOrDeletedSlotKeepsTheSelection) {
    const QByteArray data = loadWmf("inkscape-shapes.wmf");
    // The red brush is created in slot 3 and selected by the third SelectObject.
    const RecordAt select = findRecord(data, 0x012D, 2);
    QByteArray unset = data;
    setU16(unset, select.offset + 6, 999);
    QByteArray deleted = insertedAt(data, select.offset, recordBytes(0x01F0, {3}));
    for (const QByteArray& file : {unset, deleted}) {
        WmfResult result;
        const QImage image = render(file, QSize(200, 100), &result);
        EXPECT_EQ(result, WmfResult::Ok);
        // The null brush selected before stays: the square is outlined, not filled.
        EXPECT_TRUE(isTransparentAt(image, 35 / 200.0, 35 / 100.0));
        EXPECT_TRUE(near(colorAt(image, 100 / 200.0, 35 / 100.0), Qt::blue));
    }
}

TEST(WmfRender, NullTargetOnlyChecksTheData) {
    QImage none;
    const QByteArray data = loadWmf("inkscape-shapes.wmf");
    EXPECT_EQ(pix::wmf::renderWmf(reinterpret_cast<const unsigned char*>(data.constData()),
                                  std::size_t(data.size()), none),
              WmfResult::Ok);
}

} // namespace
