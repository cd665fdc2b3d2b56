// Output names, encoders and encoder parameters.
#include "jobs/applysettings.h"
#include "jobs/jobfixture.h"
#include "jobs/outputformats.h"
#include "jobs/outputnaming.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <algorithm>

namespace pix {
namespace {

struct PathCase {
    const char* folder;
    const char* prefix;
    int number;
    int format;
    const char* rowName;
    const char* expected;
};

TEST(OutputNaming, BuildsPathsFromFolderPrefixNumberAndFormat) {
    const PathCase cases[] = {
        {"/D/Out", "img", 7, kFormatPng, "x.jpg", "/D/Out/img007.png"},
        {"/D/Out/", "img", 7, kFormatPng, "x.jpg", "/D/Out/img007.png"},
        {"/D/Out", "IMG", 1000, kFormatJpg, "x.jpg", "/D/Out/img1000.jpg"},
        {"/D/Pics", "", 0, kFormatGif, "Holiday.JPG", "/D/Pics/holiday.gif"},
        {"/D/Pics", "", 12, kFormatGif, "Holiday.JPG", "/D/Pics/holiday.gif"},
        {"/D/Pics", "", 0, kFormatRemainOriginal, "scan.TIF", "/D/Pics/scan.tif"},
        {"/D/Pics", "", 0, kFormatTiff, "README", "/D/Pics/readme"},
        {"/D/Pics", "", 0, kFormatBitmap, "a.b.c.png", "/D/Pics/a.b.c.bmp"},
        {"/Mixed/Case", "", 0, kFormatPng, "Photo.jpg", "/Mixed/Case/photo.png"},
        {"", "", 0, kFormatPng, "Photo.jpg", "photo.png"},
        {"", "n", 2, kFormatPng, "Photo.jpg", "n002.png"},
    };
    for (const PathCase& c : cases) {
        JobItem item = test::itemFor("/src", c.rowName, 10, 10);
        item.output.folder = c.folder;
        item.output.prefix = c.prefix;
        item.output.startNumber = c.number;
        item.output.formatCode = c.format;
        EXPECT_EQ(BuildOutputPath(item, c.rowName), c.expected) << c.rowName;
    }
}

TEST(OutputNaming, ExtensionOfEveryFormatCode) {
    const JobItem item = test::itemFor("/src", "Scan.Tiff", 1, 1);
    EXPECT_EQ(GetOutputExtension(item, kFormatBitmap), "bmp");
    EXPECT_EQ(GetOutputExtension(item, kFormatJpg), "jpg");
    EXPECT_EQ(GetOutputExtension(item, kFormatGif), "gif");
    EXPECT_EQ(GetOutputExtension(item, kFormatPng), "png");
    EXPECT_EQ(GetOutputExtension(item, kFormatTiff), "tif");
    EXPECT_EQ(GetOutputExtension(item, kFormatRemainOriginal), "Tiff");
    EXPECT_EQ(GetOutputExtension(item, 42), "Tiff");
    EXPECT_EQ(GetOutputExtension(test::itemFor("/", "noext", 1, 1), 99), "");
}

TEST(OutputNaming, RemainOriginalWritesOnlyFormatsThatMatchTheExtension) {
    const auto encoderFor = [](const char* name, int code = kFormatRemainOriginal) {
        JobItem item = test::itemFor("/src", name, 1, 1);
        item.output.formatCode = code;
        return ChooseEncoder(item);
    };
    const auto mime = [](const char* type) { return LookUpEncoder(type); };
    EXPECT_EQ(encoderFor("a.JPG"), mime("image/jpeg"));
    EXPECT_EQ(encoderFor("a.jpeg"), mime("image/jpeg"));
    EXPECT_EQ(encoderFor("a.jfif"), mime("image/jpeg"));
    EXPECT_EQ(encoderFor("a.tif"), mime("image/tiff"));
    EXPECT_EQ(encoderFor("a.TIFF"), mime("image/tiff"));
    EXPECT_EQ(encoderFor("a.png"), mime("image/png"));
    EXPECT_EQ(encoderFor("a.gif"), mime("image/gif"));
    EXPECT_EQ(encoderFor("a.bmp"), mime("image/bmp"));
    EXPECT_EQ(encoderFor("a.webp"), mime("image/webp"));
    EXPECT_EQ(encoderFor("a.avif"), mime("image/avif"));
    EXPECT_EQ(encoderFor("a.JXL"), mime("image/jxl"));
    // Icons, metafiles and HEIC pictures cannot be written in their own format: no encoder at
    // all, never one whose content would not match the extension.
    EXPECT_TRUE(encoderFor("a.ico").isNull());
    EXPECT_TRUE(encoderFor("a.heic").isNull());
    EXPECT_TRUE(encoderFor("a.wmf").isNull());
    EXPECT_TRUE(encoderFor("noext").isNull());
    EXPECT_TRUE(encoderFor("a.png", 4).isNull());
    EXPECT_TRUE(encoderFor("a.png", 6).isNull());
    EXPECT_EQ(encoderFor("a.ico", kFormatGif), mime("image/gif"));
    EXPECT_EQ(encoderFor("a.png", -3), mime("image/png")) << "unknown codes keep the format";
}

TEST(OutputNaming, QualityGoesOnlyToFormatsThatTakeOne) {
    const struct {
        const char* source;
        std::int32_t format;
        bool quality;
    } cases[] = {
        {"a.jpg", kFormatJpg, true},   {"a.jpg", kFormatRemainOriginal, true}, // kept as JPEG
        {"a.png", kFormatWebp, true},  {"a.webp", kFormatRemainOriginal, true},
        {"a.png", kFormatAvif, true},  {"a.png", kFormatJxl, true},
        {"a.jxl", kFormatPng, false},  {"a.png", kFormatRemainOriginal, false},
        {"a.png", kFormatTiff, false},
    };
    for (const auto& c : cases) {
        JobItem item = test::itemFor("/src", c.source, 1, 1);
        item.output.quality = 33;
        item.output.formatCode = c.format;
        EXPECT_EQ(EncoderQuality(item, ChooseEncoder(item)),
                  c.quality ? std::optional<int>(33) : std::nullopt)
            << c.source << " " << c.format;
    }
}

TEST(OutputNaming, RenameNumbersHaveAtLeastThreeDigits) {
    EXPECT_EQ(threeDigits(0), "000");
    EXPECT_EQ(threeDigits(7), "007");
    EXPECT_EQ(threeDigits(1234), "1234");
    EXPECT_EQ(threeDigits(-7), "-007");
}

} // namespace
} // namespace pix

namespace pix {
namespace {

// The "Remarks" column and the run must name the output file alike: the remark shows exactly
// the file name the run writes, whenever it shows one.
TEST(OutputNameAgreement, RemarksNameTheFileTheRunWrites) {
    struct Case {
        const char* source;
        std::int32_t format;
        const char* prefix;
    };
    const Case cases[] = {
        {"Photo.JPG", kFormatPng, ""}, {"noext", kFormatGif, ""},   {"a.b.c", kFormatTiff, ""},
        {"x.png", kFormatJpg, "Img_"}, {"x.png", 42, "p"},          {"Y.Jpeg", kFormatBitmap, ""},
        {"ü.png", kFormatJpg, "Ä"},    {".hidden", kFormatJpg, ""},
    };
    for (const Case& c : cases) {
        JobItem item;
        item.source.fileName = QString::fromUtf8(c.source);
        SettingsResult result;
        result.formatCode = c.format;
        result.prefix = QString::fromUtf8(c.prefix);
        result.outputFolder = QStringLiteral("/out");
        ApplySettings(item, result, 7);
        const QString written = QFileInfo(BuildOutputPath(item, item.source.fileName)).fileName();
        EXPECT_TRUE(item.remarks.startsWith(written))
            << c.source << ": " << item.remarks.toStdString();
    }
}

TEST(OutputFormatTable, EveryRowIsFoundByItsNamesAndHasAnEncoder) {
    for (const OutputFormat& format : outputFormats()) {
        EXPECT_EQ(outputFormatForCode(format.code), &format);
        EXPECT_EQ(outputFormatForKeyword(QString(format.keyword).toUpper()), &format);
        EXPECT_EQ(outputFormatForExtension(QString(format.extension)), &format);
        for (QLatin1String alias : format.aliases)
            EXPECT_EQ(outputFormatForExtension(QString(alias)), &format) << alias.data();
        EXPECT_FALSE(imaging::findEncoderByMimeType(format.mimeType).isNull())
            << format.label.data();
        const auto choices = formatChoices();
        EXPECT_TRUE(std::any_of(choices.begin(), choices.end(), [&](const FormatChoice& choice) {
            return choice.code == format.code && choice.label == format.label;
        })) << format.label.data();
    }
    // "jpeg" and "tiff" are typed as keywords; other spellings of extensions are not keywords;
    // reserved codes have no row.
    EXPECT_EQ(outputFormatForKeyword(u"JPEG"), outputFormatForCode(kFormatJpg));
    EXPECT_EQ(outputFormatForKeyword(u"tiff"), outputFormatForCode(kFormatTiff));
    EXPECT_EQ(outputFormatForKeyword(u"jpe"), nullptr);
    EXPECT_EQ(outputFormatForKeyword(u"heic"), nullptr); // read, never written
    EXPECT_EQ(outputFormatForCode(4), nullptr);
    EXPECT_EQ(outputFormatForCode(kFormatRemainOriginal), nullptr);
    EXPECT_EQ(formatChoices().front().code, kFormatRemainOriginal);
}

} // namespace
} // namespace pix
