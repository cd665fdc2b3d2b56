// Preview decodes of progressive JPEGs: at 1/8 scale the picture is drawn from the first scans
// that give every component its DC coefficients, and the rest of the file is not read.
#include "imaging/jpegwriter.h"
#include "imaging/testpictures.h"
#include "platform/imaging/decoder.h"

#include <QByteArray>
#include <cstdint>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <vector>

namespace pix::imaging {
namespace {

using test::decodeBytes;

// Colour sampling of the written file: 4:2:0 (chroma halved both ways) or 4:4:4.
enum class Sampling { S420, S444 };

// Writes picture as a JPEG at quality 90: progressive with libjpeg's standard scan script, or
// with the given one, or baseline.
QByteArray writeJpeg(const Picture& picture, Sampling sampling, bool progressive,
                     const std::vector<jpeg_scan_info>& script = {}) {
    test::JpegLayout layout;
    layout.quality = 90;
    layout.lumaH = layout.lumaV = sampling == Sampling::S420 ? 2 : 1;
    layout.progressive = progressive;
    layout.script = script;
    return test::writeJpeg(picture.image(), layout);
}

// The offset of the n-th (from 1) start-of-scan marker.
qsizetype scanStart(const QByteArray& jpeg, int n) {
    qsizetype at = -1;
    for (int i = 0; i < n; ++i) {
        at = jpeg.indexOf(QByteArray("\xFF\xDA", 2), at + 1);
        if (at < 0)
            return -1;
    }
    return at;
}

// The file cut a few bytes into the data of its n-th scan.
QByteArray cutInScan(const QByteArray& jpeg, int n) {
    const qsizetype at = scanStart(jpeg, n);
    return at < 0 ? QByteArray() : jpeg.left(at + 20);
}

using test::detailed;

// The thumbnail maker's request: at most an eighth of the picture.
DecodeHint previewHint(const Picture& picture) {
    DecodeHint hint;
    hint.minSize = QSize((picture.width() + 7) / 8, (picture.height() + 7) / 8);
    hint.preview = true;
    return hint;
}

DecodeHint withoutPreview(DecodeHint hint) {
    hint.preview = false;
    return hint;
}

// Without the lowest bit of its DC a block is off by less than an eighth of a quantisation step,
// a level in each of Y, Cb and Cr at quality 90, which the conversion to RGB adds up to at most
// three. 4:2:0 chroma, which the full decode draws at 2 x 2 from its AC too, comes from its DC
// alone: on this picture of fine colour detail it loses what changes within a block.
int allowedError(Sampling sampling) {
    return sampling == Sampling::S444 ? 3 : 32;
}

double allowedMeanError(Sampling sampling) {
    return sampling == Sampling::S444 ? 1.0 : 5.0;
}

TEST(JpegPreview, ProgressiveAtAnEighthMatchesTheFullDecodeAtOddSizesAndBothSamplings) {
    const Picture original = detailed(203, 157);
    for (const Sampling sampling : {Sampling::S420, Sampling::S444}) {
        const QByteArray jpeg = writeJpeg(original, sampling, true);
        const DecodeHint hint = previewHint(original);
        Picture preview, full;
        ASSERT_EQ(decodeBytes(jpeg, preview, hint), Status::Ok);
        ASSERT_EQ(decodeBytes(jpeg, full, withoutPreview(hint)), Status::Ok);
        ASSERT_EQ(preview.image().size(), QSize(26, 20));
        EXPECT_EQ(preview.image().size(), full.image().size());
        EXPECT_EQ(preview.content(), full.content());
        EXPECT_EQ(preview.image().format(), full.image().format());
        EXPECT_LE(test::maxChannelDifference(preview.image(), full.image()), allowedError(sampling))
            << int(sampling);
        EXPECT_LT(test::meanColourDifference(preview.image(), full.image()),
                  allowedMeanError(sampling))
            << int(sampling);
    }
}

TEST(JpegPreview, ATurnedPreviewIsThePreviewTurned) {
    const Picture original = detailed(203, 157);
    const QByteArray jpeg = writeJpeg(original, Sampling::S420, true);
    DecodeHint hint = previewHint(original);
    Picture expected, turned;
    ASSERT_EQ(decodeBytes(jpeg, expected, hint), Status::Ok);
    ASSERT_EQ(rotateFlip(expected, Rotate90FlipX), Status::Ok);
    hint.rotateFlip = Rotate90FlipX;
    ASSERT_EQ(decodeBytes(jpeg, turned, hint), Status::Ok);
    EXPECT_EQ(turned.image(), expected.image());
}

TEST(JpegPreview, AFileCutAfterItsFirstScansGivesAPreviewButIsRefusedOtherwise) {
    // The standard script: the DC of all components first, which is all a preview reads.
    const Picture original = detailed(203, 157);
    const DecodeHint hint = previewHint(original);
    for (const Sampling sampling : {Sampling::S444, Sampling::S420}) {
        const QByteArray jpeg = writeJpeg(original, sampling, true);
        const QByteArray early = cutInScan(jpeg, 1), cut = cutInScan(jpeg, 2);
        ASSERT_FALSE(early.isEmpty());
        ASSERT_FALSE(cut.isEmpty());
        Picture whole, preview, refused, quarter, partial;
        ASSERT_EQ(decodeBytes(jpeg, whole, hint), Status::Ok);
        ASSERT_EQ(decodeBytes(cut, preview, hint), Status::Ok) << int(sampling);
        EXPECT_EQ(preview.image(), whole.image());
        EXPECT_EQ(decodeBytes(early, partial, hint), Status::CorruptData) << int(sampling);
        // The batch engine's decode, and a preview larger than an eighth, read every scan.
        EXPECT_EQ(decodeBytes(cut, refused, withoutPreview(hint)), Status::CorruptData);
        DecodeHint larger = hint;
        larger.minSize = QSize(60, 40);
        EXPECT_EQ(decodeBytes(cut, quarter, larger), Status::CorruptData);
        EXPECT_TRUE(refused.isNull());
        EXPECT_TRUE(quarter.isNull());
        EXPECT_TRUE(partial.isNull());
    }
}

TEST(JpegPreview, WaitsForTheDcOfEveryComponentWhenTheyComeInSeparateScans) {
    // Luma's DC and all its AC first, then the chroma DC, then the rest.
    const std::vector<jpeg_scan_info> script = {
        {1, {0}, 0, 0, 0, 1},  {1, {0}, 1, 63, 0, 0}, {2, {1, 2}, 0, 0, 0, 1},
        {1, {1}, 1, 63, 0, 0}, {1, {2}, 1, 63, 0, 0}, {3, {0, 1, 2}, 0, 0, 1, 0},
    };
    const Picture original = detailed(203, 157);
    const QByteArray jpeg = writeJpeg(original, Sampling::S444, true, script);
    const DecodeHint hint = previewHint(original);
    Picture full, beforeChroma, afterChroma;
    ASSERT_EQ(decodeBytes(jpeg, full, withoutPreview(hint)), Status::Ok);
    EXPECT_EQ(decodeBytes(cutInScan(jpeg, 2), beforeChroma, hint), Status::CorruptData);
    ASSERT_EQ(decodeBytes(cutInScan(jpeg, 4), afterChroma, hint), Status::Ok);
    EXPECT_LE(test::maxChannelDifference(afterChroma.image(), full.image()),
              allowedError(Sampling::S444));
}

TEST(JpegPreview, BaselineFilesAreDecodedAsWithoutIt) {
    const Picture original = detailed(203, 157);
    const QByteArray jpeg = writeJpeg(original, Sampling::S420, false);
    const DecodeHint hint = previewHint(original);
    Picture preview, full, cut;
    ASSERT_EQ(decodeBytes(jpeg, preview, hint), Status::Ok);
    ASSERT_EQ(decodeBytes(jpeg, full, withoutPreview(hint)), Status::Ok);
    EXPECT_EQ(preview.image(), full.image());
    EXPECT_EQ(decodeBytes(jpeg.left(jpeg.size() / 2), cut, hint), Status::CorruptData);
}

TEST(JpegPreview, DamagedAndCutProgressiveFilesGiveAPictureOrAnError) {
    const Picture original = detailed(203, 157);
    const QByteArray jpeg = writeJpeg(original, Sampling::S420, true);
    const DecodeHint hint = previewHint(original);
    std::uint32_t seed = 12345;
    const auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    for (int i = 0; i < 300; ++i) {
        QByteArray damaged = jpeg;
        for (int n = 0; n < 4; ++n)
            damaged[qsizetype(next() % std::uint32_t(jpeg.size()))] = char(next() >> 24);
        Picture picture;
        const Status status = decodeBytes(damaged, picture, hint);
        EXPECT_EQ(status == Status::Ok, !picture.isNull()) << i;
    }
    for (qsizetype length = 0; length < jpeg.size(); length += 37) {
        Picture picture;
        const Status status = decodeBytes(jpeg.left(length), picture, hint);
        EXPECT_EQ(status == Status::Ok, !picture.isNull()) << length;
    }
}

} // namespace
} // namespace pix::imaging
