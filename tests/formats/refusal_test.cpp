// HEIF, AVIF, WebP and JPEG XL files that cannot be read are refused with their reason, without
// the memory their headers claim; detection goes by the brands and signatures, not the name.
#include "formats/formatfiles.h"
#include "imaging/memorywatch.h"

#include <gtest/gtest.h>

namespace pix::imaging {
namespace {

struct Refused {
    const char* file;
    int keepPercent; // of the file's bytes given to the decoder
};

// Files of a few hundred bytes claiming 16000 x 16000 (tests/data/formats/make-claims.py), a
// HEIC whose coded stream claims 62184 x 38583 behind its 48 x 64 size box, and good files cut
// short.
const Refused kRefused[] = {
    {"claim-heic.heic", 100},
    {"claim-avif.avif", 100},
    {"claim-webp-lossless.webp", 100},
    {"claim-webp-lossy.webp", 100},
    {"claim-jxl.jxl", 100},
    {"heic-grid.heic", 60},
    {"heic-10bit.heic", 50},
    {"avif-alpha.avif", 70},
    {"avif-anim.avif", 40},
    {"webp-lossy.webp", 60},
    {"webp-anim.webp", 70},
    {"jxl-lossy.jxl", 50},
    {"jxl-jpeg.jxl", 70},
    {"claim-heic-coded.heic", 100},
};

TEST(FormatRefusals, DamagedOrLyingFilesAreRefusedWithTheirReason) {
    for (const Refused& r : kRefused) {
        SCOPED_TRACE(std::string(r.file) + " at " + std::to_string(r.keepPercent) + "%");
        QByteArray bytes = test::readFormatFile(QString::fromLatin1(r.file));
        ASSERT_FALSE(bytes.isEmpty());
        bytes.truncate(bytes.size() * r.keepPercent / 100);
        const test::PeakGrowth growth;
        Picture picture;
        EXPECT_NE(test::decodeBytes(bytes, picture), Status::Ok);
        EXPECT_FALSE(lastDecodeDetail().isEmpty());
        EXPECT_TRUE(picture.isNull());
        EXPECT_LT(growth.megabytes(), 40);
    }
}

TEST(FormatRefusals, ALyingHeaderIsMeasuredAsItSaysButNotDecoded) {
    // Measuring reads the header: the browser shows the claimed size, the decode refuses it.
    for (const char* file : {"claim-heic.heic", "claim-webp-lossy.webp", "claim-jxl.jxl"}) {
        SCOPED_TRACE(file);
        QSize size;
        ASSERT_EQ(measureFile(test::formatFile(QString::fromLatin1(file)), size), Status::Ok);
        EXPECT_GE(size.width(), 16000);
        Picture picture;
        EXPECT_EQ(test::decodeBytes(test::readFormatFile(QString::fromLatin1(file)), picture),
                  Status::CorruptData);
        EXPECT_TRUE(lastDecodeDetail().contains(QStringLiteral("cannot hold")))
            << lastDecodeDetail().toStdString();
    }
}

QByteArray ftyp(const char* major, std::initializer_list<const char*> compatible) {
    QByteArray box(4, '\0');
    box += "ftyp";
    box += QByteArray(major, 4);
    box += QByteArray(4, '\0');
    for (const char* brand : compatible)
        box += QByteArray(brand, 4);
    box[3] = char(box.size());
    return box + QByteArray(64, '\0');
}

TEST(FormatRefusals, TheBrandsDecideBetweenHeifAvifAndVideo) {
    const struct {
        QByteArray bytes;
        ImageFormat format;
    } cases[] = {
        {ftyp("heic", {"mif1", "heic"}), ImageFormat::Heif},
        {ftyp("mif1", {"heic"}), ImageFormat::Heif},
        {ftyp("msf1", {"hevc"}), ImageFormat::Heif},
        {ftyp("avif", {"mif1", "miaf"}), ImageFormat::Avif},
        {ftyp("mif1", {"avif"}), ImageFormat::Avif},
        {ftyp("avis", {"msf1"}), ImageFormat::Avif},
        {ftyp("mp41", {"isom", "mp42"}), ImageFormat::Unknown}, // a video
        {QByteArray("RIFF\x10\0\0\0WAVEfmt ", 16) + QByteArray(32, '\0'), ImageFormat::Unknown},
        {QByteArray("\xFF\x0A", 2) + QByteArray(32, '\0'), ImageFormat::Jxl},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes.left(16).toHex().toStdString());
        const auto* data = reinterpret_cast<const unsigned char*>(c.bytes.constData());
        EXPECT_EQ(detectFormat(data, std::size_t(c.bytes.size())), c.format);
    }
}

} // namespace
} // namespace pix::imaging
