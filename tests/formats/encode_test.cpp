// Writing WebP, AVIF and JPEG XL: what the encoders write reads back in Debian's own decoders
// (dwebp, avifdec, djxl) as in ours, alpha kept, and the item's quality mapped to each codec.
#include "formats/formatfiles.h"
#include "platform/imaging/avifencoder.h"
#include "platform/imaging/encoders.h"
#include "platform/imaging/jxlencoder.h"

#include <QBuffer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace pix::imaging {
namespace {

Picture sourcePicture(const char* name) {
    Picture picture;
    const QImage image(test::formatFile(QString::fromLatin1(name)));
    return Picture(image.convertToFormat(
        image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32));
}

QByteArray encoded(const Picture& picture, const char* mimeType, int quality) {
    QByteArray bytes;
    EXPECT_EQ(encodeToMemory(picture, findEncoderByMimeType(QString::fromLatin1(mimeType)), quality,
                             bytes),
              Status::Ok);
    return bytes;
}

// The picture Debian's decoder makes of the bytes; null when the tool is not installed.
QImage decodedByTool(const QByteArray& bytes, const char* suffix, const QStringList& command) {
    if (QStandardPaths::findExecutable(command.front()).isEmpty())
        return {};
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("in.") + QString::fromLatin1(suffix));
    const QString output = dir.filePath(QStringLiteral("out.png"));
    QFile file(input);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    file.close();
    QStringList arguments = command.mid(1);
    arguments.replaceInStrings(QStringLiteral("IN"), input);
    arguments.replaceInStrings(QStringLiteral("OUT"), output);
    QProcess tool;
    tool.start(command.front(), arguments);
    if (!tool.waitForFinished(60000) || tool.exitCode() != 0)
        return {};
    return QImage(output).convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

struct Written {
    const char* mimeType;
    const char* suffix;
    QStringList tool;
};

const Written kWritten[] = {
    {"image/webp", "webp", {"dwebp", "-quiet", "IN", "-o", "OUT"}},
    {"image/avif", "avif", {"avifdec", "IN", "OUT"}},
    {"image/jxl", "jxl", {"djxl", "IN", "OUT"}},
};

TEST(FormatEncoding, WhatIsWrittenReadsTheSameInDebiansDecoderAndOurs) {
    for (const Written& w : kWritten) {
        for (const char* source : {"scene.png", "alpha.png"}) {
            SCOPED_TRACE(std::string(w.suffix) + " of " + source);
            const Picture original = sourcePicture(source);
            const QByteArray bytes = encoded(original, w.mimeType, 90);
            Picture ours;
            ASSERT_EQ(test::decodeBytes(bytes, ours), Status::Ok)
                << lastDecodeDetail().toStdString();
            EXPECT_EQ(ours.image().size(), original.image().size());
            EXPECT_EQ(ours.hasAlpha(), original.hasAlpha());
            // Close to the original (lossy: sharp colour edges blur), transparent where it was.
            EXPECT_LE(test::difference(ours.image(), original.image()).mean, 3.0);
            if (original.hasAlpha()) {
                EXPECT_EQ(qAlpha(ours.image().pixel(2, 2)), 0);
                EXPECT_NEAR(qAlpha(ours.image().pixel(40, 30)), 255 - 40 * 3, 6);
            }
            const QImage theirs = decodedByTool(bytes, w.suffix, w.tool);
            if (theirs.isNull()) {
                ADD_FAILURE() << w.tool.front().toStdString() << " did not read the file";
                continue;
            }
            EXPECT_LE(test::difference(ours.image(), theirs).largest, 1);
        }
    }
}

TEST(FormatEncoding, QualityTradesBytesForFidelity) {
    const Picture original = sourcePicture("scene.png");
    for (const Written& w : kWritten) {
        SCOPED_TRACE(w.suffix);
        const QByteArray low = encoded(original, w.mimeType, 20);
        const QByteArray high = encoded(original, w.mimeType, 95);
        EXPECT_LT(low.size(), high.size());
        Picture a, b;
        ASSERT_EQ(test::decodeBytes(low, a), Status::Ok);
        ASSERT_EQ(test::decodeBytes(high, b), Status::Ok);
        EXPECT_LE(test::difference(b.image(), original.image()).largest,
                  test::difference(a.image(), original.image()).largest);
    }
    // JPEG XL at 100 is lossless.
    Picture exact;
    ASSERT_EQ(test::decodeBytes(encoded(sourcePicture("alpha.png"), "image/jxl", 100), exact),
              Status::Ok);
    EXPECT_EQ(test::difference(exact.image(), sourcePicture("alpha.png").image()).largest, 0);
}

TEST(FormatEncoding, TheQualityScaleMapsOntoEachCodecsOwn) {
    const struct {
        int quality;
        int quantizer;  // AV1, 0 best to 63 worst
        float distance; // JPEG XL, 0 lossless
    } cases[] = {{0, 63, 25.0f}, {30, 44, 6.4f}, {50, 32, 4.6f},
                 {80, 13, 1.9f}, {90, 6, 1.0f},  {100, 0, 0.0f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.quality);
        EXPECT_EQ(avifQuantizerForQuality(c.quality), c.quantizer);
        EXPECT_NEAR(jxlDistanceForQuality(c.quality), c.distance, 1e-4);
    }
    EXPECT_EQ(avifQuantizerForQuality(-5), 63);
    EXPECT_EQ(avifQuantizerForQuality(150), 0);
}

TEST(FormatEncoding, WebpRefusesMoreThanItsLargestSide) {
    Picture wide;
    ASSERT_EQ(allocatePicture(16384, 1, false, wide), Status::Ok);
    wide.image().fill(Qt::white);
    QByteArray bytes;
    EXPECT_EQ(encodeToMemory(wide, findEncoderByMimeType(QStringLiteral("image/webp")), 80, bytes),
              Status::TooLarge);
}

} // namespace
} // namespace pix::imaging
