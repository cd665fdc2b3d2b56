// Reading HEIF, AVIF, WebP and JPEG XL: every test file against the picture Debian's own decoder
// (heif-convert, avifdec, dwebp, djxl) makes of it, upright exactly once, and the reduced reads.
#include "formats/formatfiles.h"
#include "platform/imaging/encoders.h"
#include "platform/imaging/exifblock.h"
#include "platform/imaging/outputmetadata.h"

#include <QTransform>
#include <gtest/gtest.h>

namespace pix::imaging {
namespace {

using test::Depth;

struct Fixture {
    const char* file;
    ImageFormat format;
    Depth depth;
    // Clockwise quarter turns from the reference to the upright picture: avifdec and dwebp
    // give the stored pixels; heif-convert and djxl turn as the file says.
    int quarterTurns;
    int tolerance;       // the largest channel difference allowed
    double share;        // of the channel samples that may differ
    int exifOrientation; // of the EXIF block handed over; 0: none
};

// Exact where the same library converts the same way: a deep row that was cut instead of
// rounded differs in about half its samples.
const Fixture kFixtures[] = {
    {"heic-turn-mirror-thumb.heic", ImageFormat::Heif, Depth::Eight, 0, 0, 0, 0},
    {"heic-grid.heic", ImageFormat::Heif, Depth::Eight, 0, 0, 0, 0},
    {"heic-irot-exif6.heic", ImageFormat::Heif, Depth::Eight, 0, 0, 0, 6},
    {"heic-10bit.heic", ImageFormat::Heif, Depth::Shifted, 0, 0, 0, 0},
    {"heic-alpha.heic", ImageFormat::Heif, Depth::Eight, 0, 0, 0, 0},
    {"avif-10bit.avif", ImageFormat::Avif, Depth::Sixteen, 0, 0, 0, 0},
    {"avif-alpha.avif", ImageFormat::Avif, Depth::Eight, 0, 1, 0.25, 0},
    {"avif-exif6.avif", ImageFormat::Avif, Depth::Eight, 1, 0, 0, 6},
    {"avif-anim.avif", ImageFormat::Avif, Depth::Eight, 0, 0, 0, 0},
    {"webp-lossless.webp", ImageFormat::WebP, Depth::Eight, 0, 1, 0.05, 0},
    {"webp-lossy.webp", ImageFormat::WebP, Depth::Eight, 0, 0, 0, 0},
    {"webp-exif6.webp", ImageFormat::WebP, Depth::Eight, 1, 0, 0, 6},
    {"webp-anim.webp", ImageFormat::WebP, Depth::Eight, 0, 0, 0, 0},
    {"jxl-lossless.jxl", ImageFormat::Jxl, Depth::Eight, 0, 1, 0.05, 0},
    {"jxl-lossy.jxl", ImageFormat::Jxl, Depth::Eight, 0, 1, 0.02, 0},
    {"jxl-jpeg.jxl", ImageFormat::Jxl, Depth::Eight, 0, 1, 0.02, 6},
    {"jxl-16bit.jxl", ImageFormat::Jxl, Depth::Sixteen, 0, 1, 0.02, 0},
    {"jxl-anim.jxl", ImageFormat::Jxl, Depth::Eight, 0, 1, 0.02, 0},
};

int orientationOf(const QByteArray& exif) {
    return exif.isEmpty()
               ? 0
               : orientationFromTiff(reinterpret_cast<const unsigned char*>(exif.constData()),
                                     std::size_t(exif.size()));
}

QString referenceName(const char* file) {
    QString name = QString::fromLatin1(file);
    return name.left(name.lastIndexOf(u'.')) + QStringLiteral(".decoded.png");
}

TEST(FormatDecoding, EveryFileMatchesTheDebianDecoderUprightOnce) {
    for (const Fixture& f : kFixtures) {
        SCOPED_TRACE(f.file);
        const QByteArray bytes = test::readFormatFile(QString::fromLatin1(f.file));
        ASSERT_FALSE(bytes.isEmpty());
        const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
        EXPECT_EQ(detectFormat(data, std::size_t(bytes.size())), f.format);
        Picture picture;
        ASSERT_EQ(test::decodeBytes(bytes, picture), Status::Ok)
            << lastDecodeDetail().toStdString();
        const QImage expected =
            test::referencePicture(referenceName(f.file), f.depth, f.quarterTurns);
        ASSERT_EQ(picture.image().size(), expected.size());
        const test::Difference d = test::difference(picture.image(), expected);
        EXPECT_LE(d.largest, f.tolerance);
        EXPECT_LE(d.share, f.share);
        const bool translucent =
            test::difference(expected, expected.convertToFormat(QImage::Format_RGB32)).largest > 0;
        EXPECT_TRUE(picture.hasAlpha() || !translucent);
        // The header alone gives the same upright size.
        QSize measured;
        ASSERT_EQ(measureFile(test::formatFile(QString::fromLatin1(f.file)), measured), Status::Ok);
        EXPECT_EQ(measured, picture.image().size());
        EXPECT_EQ(orientationOf(picture.metadata().exif), f.exifOrientation);
    }
}

TEST(FormatDecoding, TheCallersTurnFollowsTheUprightPicture) {
    for (const Fixture& f : kFixtures) {
        SCOPED_TRACE(f.file);
        const QByteArray bytes = test::readFormatFile(QString::fromLatin1(f.file));
        Picture upright, turned;
        ASSERT_EQ(test::decodeBytes(bytes, upright), Status::Ok);
        DecodeHint hint;
        hint.rotateFlip = Rotate90FlipX;
        ASSERT_EQ(test::decodeBytes(bytes, turned, hint), Status::Ok);
        const QImage expected =
            upright.image().transformed(QTransform().rotate(90)).mirrored(true, false);
        EXPECT_EQ(test::difference(turned.image(), expected).largest, 0);
        EXPECT_EQ(turned.metadata().exif, upright.metadata().exif);
    }
}

// What a file's EXIF says reaches the conversion: written as a JPEG, the upright picture says
// Orientation 1 and is not turned again when it is read.
TEST(FormatDecoding, TheirMetadataTravelsOnUpright) {
    for (const Fixture& f : kFixtures) {
        if (f.exifOrientation == 0)
            continue;
        SCOPED_TRACE(f.file);
        Picture picture;
        ASSERT_EQ(test::decodeBytes(test::readFormatFile(QString::fromLatin1(f.file)), picture),
                  Status::Ok);
        const QSize upright = picture.image().size();
        const EncoderId jpeg = findEncoderByMimeType(QStringLiteral("image/jpeg"));
        EXPECT_EQ(prepareForEncoder(picture, jpeg, {}), QString());
        QByteArray bytes;
        ASSERT_EQ(encodeToMemory(std::move(picture), jpeg, 90, bytes), Status::Ok);
        Picture again;
        ASSERT_EQ(test::decodeBytes(bytes, again), Status::Ok);
        EXPECT_EQ(again.image().size(), upright);
        EXPECT_EQ(orientationOf(again.metadata().exif), 1);
    }
}

struct Reduced {
    const char* file;
    QSize minSize;
    bool preview;
    QSize expected; // upright
};

// A stored HEIF thumbnail for a glance when it covers the size asked for; WebP scaled by libwebp
// when half the size or less is needed; a JPEG XL glance drawn from the DC, an eighth a side.
const Reduced kReduced[] = {
    {"heic-turn-mirror-thumb.heic", {16, 16}, true, {24, 32}},
    {"heic-turn-mirror-thumb.heic", {16, 16}, false, {48, 64}},
    {"heic-turn-mirror-thumb.heic", {30, 40}, true, {48, 64}},
    {"heic-grid.heic", {30, 20}, true, {40, 30}},
    {"webp-lossy.webp", {20, 15}, false, {20, 15}},
    {"webp-lossy.webp", {10, 15}, false, {20, 15}},
    {"webp-lossy.webp", {40, 30}, false, {64, 48}},
    {"webp-exif6.webp", {12, 16}, false, {12, 16}},
    {"jxl-lossy.jxl", {8, 6}, true, {8, 6}},
    {"jxl-lossy.jxl", {8, 6}, false, {64, 48}},
    {"jxl-lossy.jxl", {9, 6}, true, {64, 48}},
    {"jxl-jpeg.jxl", {6, 8}, true, {6, 8}},
};

TEST(FormatDecoding, ReducedReadsKeepThePictureAndItsProportions) {
    for (const Reduced& r : kReduced) {
        SCOPED_TRACE(std::string(r.file) + " " + std::to_string(r.minSize.width()) + "x" +
                     std::to_string(r.minSize.height()) + (r.preview ? " preview" : ""));
        const QByteArray bytes = test::readFormatFile(QString::fromLatin1(r.file));
        DecodeHint hint;
        hint.minSize = r.minSize;
        hint.preview = r.preview;
        Picture reduced, full;
        ASSERT_EQ(test::decodeBytes(bytes, reduced, hint), Status::Ok)
            << lastDecodeDetail().toStdString();
        ASSERT_EQ(test::decodeBytes(bytes, full), Status::Ok);
        EXPECT_EQ(reduced.image().size(), r.expected);
        // The same picture: the full one brought to that size is close to it.
        const QImage scaled = full.image().scaled(reduced.image().size(), Qt::IgnoreAspectRatio,
                                                  Qt::SmoothTransformation);
        EXPECT_LE(test::difference(reduced.image(), scaled).largest, 110); // edges of quadrants
        const QPoint middle(reduced.image().width() / 4, reduced.image().height() / 4);
        EXPECT_LE(std::abs(qRed(reduced.image().pixel(middle)) - qRed(scaled.pixel(middle))), 24);
        // The memory a reduced read takes is less than a full one's.
        std::uint64_t reducedBytes = 0, fullBytes = 0;
        const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
        ASSERT_EQ(estimateDecodeMemory(data, std::size_t(bytes.size()), hint, reducedBytes),
                  Status::Ok);
        ASSERT_EQ(estimateDecodeMemory(data, std::size_t(bytes.size()), {}, fullBytes), Status::Ok);
        EXPECT_GE(fullBytes, std::uint64_t(full.width()) * full.height() * 4);
        if (r.expected != full.image().size()) {
            EXPECT_LT(reducedBytes, fullBytes);
        }
    }
}

} // namespace
} // namespace pix::imaging
