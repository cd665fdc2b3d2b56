// Previews of progressive JPEGs drawn from the DC of their first scans without libjpeg: against
// libjpeg's full decode at an eighth, for every layout of the DC scans, and on hostile data.
#include "imaging/jpegwriter.h"
#include "imaging/testpictures.h"
#include "platform/imaging/decoder.h"
#include "platform/imaging/jpegdcpreview.h"

#include <QByteArray>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <vector>

namespace pix::imaging {
namespace {

using Layout = test::JpegLayout;
using test::decodeBytes;
using test::writeJpeg;

const unsigned char* bytesOf(const QByteArray& bytes) {
    return reinterpret_cast<const unsigned char*>(bytes.constData());
}

DecodeHint previewHint(QSize stored, bool preview = true) {
    DecodeHint hint;
    hint.minSize = QSize((stored.width() + 7) / 8, (stored.height() + 7) / 8);
    hint.preview = preview;
    return hint;
}

// The preview, and libjpeg's decode of every scan at the same eighth.
struct Pair {
    Picture preview, full;
};

Pair decodeBoth(const QByteArray& jpeg, QSize stored, RotateFlipType type = RotateNoneFlipNone) {
    Pair pair;
    DecodeHint hint = previewHint(stored);
    hint.rotateFlip = type;
    EXPECT_EQ(decodeBytes(jpeg, pair.preview, hint), Status::Ok);
    hint.preview = false;
    EXPECT_EQ(decodeBytes(jpeg, pair.full, hint), Status::Ok);
    EXPECT_EQ(pair.preview.image().size(), pair.full.image().size());
    EXPECT_EQ(pair.preview.content(), pair.full.content());
    EXPECT_EQ(pair.preview.image().format(), pair.full.image().format());
    return pair;
}

int maxDifference(const Pair& pair) {
    return test::maxChannelDifference(pair.preview.image(), pair.full.image());
}

double meanDifference(const Pair& pair) {
    return test::meanColourDifference(pair.preview.image(), pair.full.image());
}

// The DC quantisers of the luma and chroma tables, as libjpeg reads them.
std::pair<int, int> dcQuantisers(const QByteArray& jpeg) {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytesOf(jpeg), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&cinfo, TRUE);
    const JQUANT_TBL* chroma = cinfo.quant_tbl_ptrs[1] ? cinfo.quant_tbl_ptrs[1] : nullptr;
    const std::pair<int, int> q0{cinfo.quant_tbl_ptrs[0]->quantval[0],
                                 chroma ? chroma->quantval[0] : 0};
    jpeg_destroy_decompress(&cinfo);
    return q0;
}

// Without its lowest DC bit (the standard progression's first scan) a block is off by up to
// Q0 / 8 levels, and one more for the rounding. RGB adds luma's error to at most 1.772 times
// chroma's (the blue of the YCbCr conversion).
int missingDcBitBound(int q0) {
    return q0 / 8 + 1;
}
int rgbBound(int lumaQ0, int chromaQ0) {
    return int(std::ceil(missingDcBitBound(lumaQ0) + 1.772 * missingDcBitBound(chromaQ0))) + 1;
}

// The DC reader's own picture of the file, without the decoder around it.
bool drawnFromDc(const QByteArray& jpeg, QSize stored, QImage& out,
                 jpeg::DcColour colour = jpeg::DcColour::YCbCr) {
    out = QImage((stored.width() + 7) / 8, (stored.height() + 7) / 8, QImage::Format_RGB32);
    const jpeg::DcPreviewFrame frame{stored.width(), stored.height(), colour};
    return jpeg::drawDcPreview(bytesOf(jpeg), std::size_t(jpeg.size()), frame, RotateNoneFlipNone,
                               out);
}

jpeg::DcColour colourOf(const Layout& layout) {
    if (layout.components == 1)
        return jpeg::DcColour::Grey;
    return layout.colourSpace == JCS_RGB ? jpeg::DcColour::Rgb : jpeg::DcColour::YCbCr;
}

// Scan scripts. The DC of every component in full first, then the AC; luma's DC and AC, then
// each chroma component's DC alone, then their AC.
const std::vector<jpeg_scan_info> kFullDcFirst = {
    {3, {0, 1, 2}, 0, 0, 0, 0},
    {1, {0}, 1, 63, 0, 0},
    {1, {1}, 1, 63, 0, 0},
    {1, {2}, 1, 63, 0, 0},
};
const std::vector<jpeg_scan_info> kSeparateDc = {
    {1, {0}, 0, 0, 0, 0}, {1, {0}, 1, 63, 0, 0}, {1, {1}, 0, 0, 0, 0},
    {1, {2}, 0, 0, 0, 0}, {1, {1}, 1, 63, 0, 0}, {1, {2}, 1, 63, 0, 0},
};
const std::vector<jpeg_scan_info> kGreyFullDc = {{1, {0}, 0, 0, 0, 0}, {1, {0}, 1, 63, 0, 0}};

const QSize kOddSizes[] = {{1, 1}, {9, 7}, {17, 33}, {203, 157}, {64, 64}};

TEST(JpegDcPreview, GreyAndFullChromaAreLibjpegsEighthWhenTheDcIsWhole) {
    for (const QSize size : kOddSizes) {
        const QImage image = test::detailed(size.width(), size.height()).image();
        Layout grey;
        grey.components = 1;
        grey.script = kGreyFullDc;
        Layout ycc;
        ycc.script = kFullDcFirst;
        Layout rgb = ycc;
        rgb.colourSpace = JCS_RGB;
        Layout separate;
        separate.script = kSeparateDc;
        Layout coarse = grey;
        coarse.quality = 1;
        coarse.eightBitTables = false;
        for (const Layout& layout : {grey, ycc, rgb, separate, coarse}) {
            const QByteArray jpeg = writeJpeg(image, layout);
            const Pair pair = decodeBoth(jpeg, size);
            EXPECT_EQ(maxDifference(pair), 0) << size.width() << "x" << size.height();
            // The preview is the DC reader's, not libjpeg's.
            QImage own;
            ASSERT_TRUE(drawnFromDc(jpeg, size, own, colourOf(layout)));
            EXPECT_EQ(own, pair.preview.image());
        }
    }
}

TEST(JpegDcPreview, WithoutTheLowestDcBitGreyAndFullChromaStayWithinItsBound) {
    for (const QSize size : kOddSizes) {
        const QImage image = test::detailed(size.width(), size.height()).image();
        Layout grey;
        grey.components = 1;
        const QByteArray greyJpeg = writeJpeg(image, grey);
        EXPECT_LE(maxDifference(decodeBoth(greyJpeg, size)),
                  missingDcBitBound(dcQuantisers(greyJpeg).first));
        const QByteArray ycc = writeJpeg(image, Layout{});
        const auto [luma, chroma] = dcQuantisers(ycc);
        EXPECT_LE(maxDifference(decodeBoth(ycc, size)), rgbBound(luma, chroma));
    }
}

TEST(JpegDcPreview, SubsampledChromaIsCloseOnASmoothPicture) {
    // 4:2:0 chroma is drawn by libjpeg at 2 x 2 from its AC too, here between block centres;
    // 4:2:2 and 4:4:0 chroma are repeated by both, so with the whole DC they are equal.
    struct Case {
        int h, v;
        int maxError;
        double meanError;
    };
    for (const QSize size : {QSize(203, 157), QSize(640, 480)}) {
        const QImage image = test::gradient(size.width(), size.height()).image();
        for (const Case c : {Case{2, 2, 10, 1.0}, Case{2, 1, 0, 0.0}, Case{1, 2, 0, 0.0}}) {
            Layout layout;
            layout.lumaH = c.h;
            layout.lumaV = c.v;
            layout.quality = 90;
            layout.script = kFullDcFirst;
            const Pair pair = decodeBoth(writeJpeg(image, layout), size);
            EXPECT_LE(maxDifference(pair), c.maxError) << c.h << c.v;
            EXPECT_LE(meanDifference(pair), c.meanError) << c.h << c.v;
        }
    }
}

// An Exif segment holding only the orientation.
QByteArray exifOrientation(int orientation) {
    QByteArray exif("Exif\0\0II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0", 24);
    exif.append(char(orientation)).append(QByteArray(3, '\0')).append(QByteArray(4, '\0'));
    return exif;
}

TEST(JpegDcPreview, TurnsAsTheDecoderDoes) {
    const QImage image = test::detailed(203, 157).image();
    Layout layout;
    layout.lumaH = layout.lumaV = 2;
    const QByteArray jpeg = writeJpeg(image, layout);
    Picture upright;
    ASSERT_EQ(decodeBytes(jpeg, upright, previewHint(image.size())), Status::Ok);
    for (int t = 0; t < 8; ++t) {
        const auto type = RotateFlipType(t);
        Picture expected = upright;
        ASSERT_EQ(rotateFlip(expected, type), Status::Ok);
        const Pair pair = decodeBoth(jpeg, image.size(), type);
        EXPECT_EQ(pair.preview.image(), expected.image()) << t;
    }
    // Exif orientation 6: stored turned left, shown turned right; the hint's minimum is upright.
    layout.exif = exifOrientation(6);
    const QByteArray turned = writeJpeg(image, layout);
    Picture expected = upright;
    ASSERT_EQ(rotateFlip(expected, Rotate90FlipNone), Status::Ok);
    const Pair pair = decodeBoth(turned, image.size().transposed());
    EXPECT_EQ(pair.preview.image(), expected.image());
}

qsizetype scanStart(const QByteArray& jpeg, int n) {
    qsizetype at = -1;
    for (int i = 0; i < n && (at = jpeg.indexOf(QByteArray("\xFF\xDA", 2), at + 1)) >= 0; ++i) {
    }
    return at;
}

// A restart-interval segment (DRI) for the given interval.
QByteArray restartSegment(int interval) {
    const char bytes[] = {'\xFF', '\xDD', 0, 4, char(interval >> 8), char(interval & 0xFF)};
    return QByteArray(bytes, 6);
}

TEST(JpegDcPreview, RestartIntervalsChangeNothing) {
    const QImage image = test::detailed(203, 157).image();
    for (const auto& script : {std::vector<jpeg_scan_info>{}, kSeparateDc}) {
        Layout layout;
        layout.lumaH = layout.lumaV = 2;
        layout.script = script;
        Picture plain;
        ASSERT_EQ(decodeBytes(writeJpeg(image, layout), plain, previewHint(image.size())),
                  Status::Ok);
        for (const unsigned interval : {1u, 3u, 7u}) {
            layout.restartInterval = interval;
            const QByteArray jpeg = writeJpeg(image, layout);
            Picture preview;
            ASSERT_EQ(decodeBytes(jpeg, preview, previewHint(image.size())), Status::Ok);
            EXPECT_EQ(preview.image(), plain.image()) << interval;
        }
    }
    // An interval set between scans holds from there on: none for luma's AC scan (which is only
    // skipped), the interval again before the chroma's DC scans. Set wrongly, they cannot be read.
    Layout layout;
    layout.script = kSeparateDc;
    layout.restartInterval = 3;
    const QByteArray jpeg = writeJpeg(image, layout);
    Picture plain;
    ASSERT_EQ(decodeBytes(jpeg, plain, previewHint(image.size())), Status::Ok);
    QByteArray between = jpeg;
    between.insert(scanStart(jpeg, 3), restartSegment(3));
    between.insert(scanStart(jpeg, 2), restartSegment(0));
    QImage own;
    ASSERT_TRUE(drawnFromDc(between, image.size(), own));
    EXPECT_EQ(own, plain.image());
    QByteArray wrong = jpeg;
    wrong.insert(scanStart(jpeg, 3), restartSegment(0));
    EXPECT_FALSE(drawnFromDc(wrong, image.size(), own));
}

TEST(JpegDcPreview, IsTakenAndNeedsNothingAfterTheDcScans) {
    // 4:2:0 from the standard progression: libjpeg's own preview reads the chroma's AC (its
    // third and fourth scans) as well, so a file cut after the first scan is a preview here only.
    const QImage image = test::detailed(203, 157).image();
    Layout layout;
    layout.lumaH = layout.lumaV = 2;
    const QByteArray jpeg = writeJpeg(image, layout);
    const DecodeHint hint = previewHint(image.size());
    Picture whole, cut, refused;
    ASSERT_EQ(decodeBytes(jpeg, whole, hint), Status::Ok);
    QImage direct;
    ASSERT_TRUE(drawnFromDc(jpeg, image.size(), direct));
    EXPECT_EQ(direct, whole.image());
    const QByteArray afterDc = jpeg.left(scanStart(jpeg, 2) + 20);
    ASSERT_EQ(decodeBytes(afterDc, cut, hint), Status::Ok);
    EXPECT_EQ(cut.image(), whole.image());
    EXPECT_EQ(decodeBytes(afterDc, refused, previewHint(image.size(), false)), Status::CorruptData);

    // Cut inside the DC scan: libjpeg's path runs and refuses it, as before.
    const QByteArray inDc = jpeg.left(scanStart(jpeg, 1) + 40);
    Picture partial;
    EXPECT_FALSE(drawnFromDc(inDc, image.size(), direct));
    EXPECT_EQ(decodeBytes(inDc, partial, hint), Status::CorruptData);
    EXPECT_TRUE(partial.isNull());
}

TEST(JpegDcPreview, TheMemoryEstimatePricesTheDcNotEveryCoefficient) {
    const QSize size(1024, 768);
    Layout layout;
    layout.lumaH = layout.lumaV = 2;
    const QByteArray jpeg = writeJpeg(test::gradient(size.width(), size.height()).image(), layout);
    std::uint64_t preview = 0, full = 0;
    ASSERT_EQ(
        estimateDecodeMemory(bytesOf(jpeg), std::size_t(jpeg.size()), previewHint(size), preview),
        Status::Ok);
    ASSERT_EQ(estimateDecodeMemory(bytesOf(jpeg), std::size_t(jpeg.size()),
                                   previewHint(size, false), full),
              Status::Ok);
    const std::uint64_t pixels = 128 * 96 * 4;
    const std::uint64_t lumaBlocks = 128 * 96, chromaBlocks = 64 * 48;
    EXPECT_EQ(preview, pixels + (lumaBlocks + 2 * chromaBlocks) * 2);
    EXPECT_EQ(full, pixels + (lumaBlocks + 2 * chromaBlocks) * 128);
}

// Patches byte `offset` of the n-th scan's header (0: its component count).
QByteArray withScanByte(QByteArray jpeg, int n, int offset, char value) {
    jpeg[scanStart(jpeg, n) + 4 + offset] = value;
    return jpeg;
}

TEST(JpegDcPreview, RefusesWhatItWouldHaveToGuess) {
    const QImage image = test::detailed(64, 48).image();
    Layout layout;
    layout.restartInterval = 2;
    const QByteArray jpeg = writeJpeg(image, layout);
    QImage out;
    ASSERT_TRUE(drawnFromDc(jpeg, image.size(), out));
    // The first scan's header: count, (id, tables) x 3, Ss, Se, Ah/Al.
    EXPECT_FALSE(drawnFromDc(withScanByte(jpeg, 1, 1, 9), image.size(), out)) << "component";
    EXPECT_FALSE(drawnFromDc(withScanByte(jpeg, 1, 2, 0x30), image.size(), out)) << "table";
    EXPECT_FALSE(drawnFromDc(withScanByte(jpeg, 1, 9, 0x0E), image.size(), out)) << "Al";
    // The first restart marker of the DC scan numbered as the second.
    QByteArray restart = jpeg;
    const qsizetype rst = restart.indexOf(QByteArray("\xFF\xD0", 2), scanStart(jpeg, 1));
    ASSERT_GT(rst, 0);
    restart[rst + 1] = char(0xD1);
    EXPECT_FALSE(drawnFromDc(restart, image.size(), out)) << "restart";
    // A frame other than the header libjpeg read.
    EXPECT_FALSE(drawnFromDc(jpeg, QSize(64, 40), out)) << "frame";
}

TEST(JpegDcPreview, GarbageInTheDcScanGivesAPictureOrAnError) {
    const QImage image = test::detailed(203, 157).image();
    Layout layout;
    layout.lumaH = layout.lumaV = 2;
    layout.restartInterval = 5;
    const QByteArray jpeg = writeJpeg(image, layout);
    const qsizetype first = scanStart(jpeg, 1) + 14, end = scanStart(jpeg, 2);
    ASSERT_GT(end, first);
    std::uint32_t seed = 99;
    const auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    for (int i = 0; i < 400; ++i) {
        QByteArray damaged = jpeg;
        for (int n = 0; n < 1 + i % 6; ++n)
            damaged[first + qsizetype(next() % std::uint32_t(end - first))] = char(next() >> 24);
        if (i % 4 == 0) // and cut
            damaged.truncate(first + qsizetype(next() % std::uint32_t(end - first)));
        Picture picture;
        const Status status = decodeBytes(damaged, picture, previewHint(image.size()));
        EXPECT_EQ(status == Status::Ok, !picture.isNull()) << i;
    }
}

} // namespace
} // namespace pix::imaging
