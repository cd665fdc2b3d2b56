// Colour conversion to sRGB against an independent lcms2 conversion of the same pixels: tificc
// from liblcms2-utils, with relative colorimetric intent and black-point compensation.
#include "imaging/metadatatools.h"
#include "imaging/testpictures.h"
#include "platform/imaging/colourprofile.h"
#include "platform/imaging/encoders.h"
#include "platform/imaging/outputmetadata.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio> // jpeglib.h needs FILE
#include <cstdlib>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <lcms2.h>
#include <vector>

namespace pix::imaging::test {
namespace {

// Every corner of the colour cube and the steps between, saturated colours included: where
// wide-gamut and sRGB pixels differ most.
Picture colourGrid() {
    Picture picture;
    allocatePicture(64, 64, false, picture);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            picture.image().setPixel(x, y, qRgb(x * 4 + 2, y * 4 + 1, ((x / 8) + (y / 8) * 8) * 4));
    return picture;
}

// tificc's sRGB of the picture under the profile.
QImage referenceSrgb(const Picture& picture, const QByteArray& profile, const QTemporaryDir& dir) {
    const QString in = dir.filePath("in.tif"), out = dir.filePath("out.tif"),
                  icc = dir.filePath("in.icc");
    QFile iccFile(icc), inFile(in);
    if (!iccFile.open(QIODevice::WriteOnly) || iccFile.write(profile) != profile.size() ||
        !inFile.open(QIODevice::WriteOnly) ||
        inFile.write(encodeToMemory(picture, "image/tiff")) <= 0)
        return {};
    iccFile.close();
    inFile.close();
    if (!runProgram("tificc", {"-t1", "-b", "-i" + icc, "-o*sRGB", in, out}))
        return {};
    Picture result;
    return decodeFile(out, result) == Status::Ok ? result.image() : QImage();
}

TEST(ColourToSrgb, MatchesAnIndependentLcmsConversion) {
    if (!haveProgram("tificc"))
        GTEST_SKIP() << "tificc is not installed (scripts/deps.sh installs liblcms2-utils)";
    QTemporaryDir dir;
    const struct {
        const char* name;
        QByteArray profile;
        const char* mime; // the output format
        bool toSrgb;
        bool tagged; // the output carries the compact sRGB profile
    } cases[] = {
        {"Adobe RGB to JPEG", rgbProfile(kAdobePrimaries, true, "A"), "image/jpeg", true, true},
        {"Display P3 to PNG", rgbProfile(kDisplayP3Primaries, false, "P"), "image/png", true, true},
        {"Adobe RGB kept for GIF", rgbProfile(kAdobePrimaries, true, "A"), "image/gif", false,
         false},
        {"Display P3 kept for BMP", rgbProfile(kDisplayP3Primaries, false, "P"), "image/bmp", false,
         false},
    };
    for (const auto& c : cases) {
        Picture picture = colourGrid();
        const QImage want = referenceSrgb(picture, c.profile, dir);
        ASSERT_FALSE(want.isNull()) << c.name;
        picture.metadata().iccProfile = c.profile;
        EXPECT_EQ(prepareForEncoder(picture, findEncoderByMimeType(c.mime), {c.toSrgb, {}}),
                  QString());
        EXPECT_LE(maxChannelDifference(picture.image(), want), 1) << c.name;
        EXPECT_GT(maxChannelDifference(picture.image(), colourGrid().image()), 20)
            << c.name << ": the colours did change";
        EXPECT_EQ(picture.metadata().iccProfile.isEmpty(), !c.tagged) << c.name;
        if (c.tagged) {
            EXPECT_EQ(colour::profileDescription(picture.metadata().iccProfile), "sRGB");
        }
    }
}

double meanChannelDifference(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row), q = y.pixel(col, row);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * x.width() * x.height());
}

// A kept profile travels with the pixels through each format that holds one: decoded again and
// converted, the colours are tificc's (within what the format's own coding changes).
TEST(ColourToSrgb, AKeptProfileDescribesThePixelsReadBack) {
    if (!haveProgram("tificc"))
        GTEST_SKIP() << "tificc is not installed (scripts/deps.sh installs liblcms2-utils)";
    QTemporaryDir dir;
    const QByteArray adobe = rgbProfile(kAdobePrimaries, true, "A");
    const QImage want = referenceSrgb(colourGrid(), adobe, dir);
    ASSERT_FALSE(want.isNull());
    const double unconverted = meanChannelDifference(colourGrid().image(), want);
    ASSERT_GT(unconverted, 6.0) << "a profile ignored on the way would show";
    const struct {
        const char* mime;
        int quality;
        double within; // mean difference per channel
    } cases[] = {
        {"image/jpeg", 100, 2.0}, {"image/png", 100, 0.5},
        {"image/tiff", 100, 0.5}, {"image/webp", 100, 3.0},
        {"image/avif", 100, 2.0}, {"image/jxl", 100, 0.5}, // lossless: the pixels keep the profile
        {"image/jxl", 90, 3.0}};                           // lossy: libjxl reads them back as sRGB
    for (const auto& c : cases) {
        Picture picture = colourGrid();
        picture.metadata().iccProfile = adobe;
        const EncoderId encoder = findEncoderByMimeType(c.mime);
        EXPECT_EQ(prepareForEncoder(picture, encoder, {}), QString()) << c.mime;
        QByteArray bytes;
        ASSERT_EQ(encodeToMemory(picture, encoder, c.quality, bytes), Status::Ok) << c.mime;
        Picture again;
        ASSERT_EQ(decodeBytes(bytes, again), Status::Ok) << c.mime;
        EXPECT_TRUE(colour::convertToSrgb(again)) << c.mime;
        EXPECT_LE(meanChannelDifference(again.image(), want), c.within)
            << c.mime << " (unconverted: " << unconverted << ")";
    }
}

TEST(ColourToSrgb, SrgbAndMissingProfilesLeaveThePixels) {
    const QByteArray profiles[] = {QByteArray(), colour::compactSrgbProfile(),
                                   rgbProfile({0.64, 0.33, 0.30, 0.60, 0.15, 0.06}, false, "s")};
    for (const QByteArray& profile : profiles) {
        Picture picture = colourGrid();
        picture.metadata().iccProfile = profile;
        EXPECT_TRUE(colour::convertToSrgb(picture));
        EXPECT_EQ(maxChannelDifference(picture.image(), colourGrid().image()), 0);
        EXPECT_TRUE(picture.metadata().iccProfile.isEmpty());
    }
}

TEST(ColourToSrgb, DamagedProfilesAreDroppedWithANote) {
    QByteArray cut = rgbProfile(kAdobePrimaries, true, "A");
    cut.truncate(200);
    // Whole in its header, but no curve for blue: nothing can be converted through it.
    QByteArray noBlueCurve = rgbProfile(kAdobePrimaries, true, "A");
    noBlueCurve.replace("bTRC", "xTRC");
    const QByteArray profiles[] = {cut, QByteArray(600, '\x7f'),
                                   QByteArray("\0\0\x02\0acsp", 9) + QByteArray(800, '\0'),
                                   noBlueCurve};
    for (const QByteArray& profile : profiles) {
        for (const char* mime : {"image/png", "image/jxl"}) {
            Picture picture = colourGrid();
            picture.metadata().iccProfile = profile;
            const EncoderId encoder = findEncoderByMimeType(mime);
            EXPECT_TRUE(prepareForEncoder(picture, encoder, {}).contains("colour profile"));
            EXPECT_TRUE(picture.metadata().iccProfile.isEmpty());
            EXPECT_EQ(maxChannelDifference(picture.image(), colourGrid().image()), 0);
            QByteArray bytes;
            EXPECT_EQ(encodeToMemory(picture, encoder, 80, bytes), Status::Ok) << mime;
        }
    }
}

// A HEIF or AVIF file's colour description instead of a profile: the profile made for it converts
// as the same space's profile does; sRGB and what no profile describes give none.
TEST(ColourToSrgb, ColourDescriptionsBecomeProfiles) {
    const struct {
        int primaries, transfer;
        const char* description; // empty: no profile
        QByteArray same;         // a profile converting the same way
    } cases[] = {
        {1, 13, "", {}},
        {2, 2, "", {}},
        {1, 1, "", {}},
        {9, 16, "", {}}, // PQ
        {99, 13, "", {}},
        {12, 13, "Display P3", rgbProfile(kDisplayP3Primaries, false, "P")},
        {12, 2, "Display P3", rgbProfile(kDisplayP3Primaries, false, "P")},
        {9, 1, "Rec. 2020", rgbProfile({0.708, 0.292, 0.170, 0.797, 0.131, 0.046}, false, "R")},
        {1, 8, "sRGB (transfer 8)", {}},
    };
    for (const auto& c : cases) {
        const QByteArray profile = colour::profileForCicp(c.primaries, c.transfer);
        EXPECT_EQ(colour::profileDescription(profile), c.description)
            << c.primaries << "/" << c.transfer;
        EXPECT_EQ(profile, colour::profileForCicp(c.primaries, c.transfer)) << "the same bytes";
        if (c.same.isEmpty())
            continue;
        Picture ours = colourGrid(), theirs = colourGrid();
        ours.metadata().iccProfile = profile;
        theirs.metadata().iccProfile = c.same;
        EXPECT_TRUE(colour::convertToSrgb(ours));
        EXPECT_TRUE(colour::convertToSrgb(theirs));
        EXPECT_LE(maxChannelDifference(ours.image(), theirs.image()), 1) << c.description;
    }
    // Linear light: a middle grey sample of 128 is sRGB's 188.
    Picture grey;
    ASSERT_EQ(allocatePicture(1, 1, false, grey), Status::Ok);
    grey.image().fill(qRgb(128, 128, 128));
    grey.metadata().iccProfile = colour::profileForCicp(1, 8);
    EXPECT_TRUE(colour::convertToSrgb(grey));
    EXPECT_NEAR(qRed(grey.image().pixel(0, 0)), 188, 1);

    // An AVIF file that says Display P3 only in its colour description reads with the profile.
    if (!haveProgram("avifenc"))
        return;
    QTemporaryDir dir;
    QFile png(dir.filePath("in.png"));
    ASSERT_TRUE(png.open(QIODevice::WriteOnly));
    png.write(encodeToMemory(colourGrid(), "image/png"));
    png.close();
    ASSERT_TRUE(
        runProgram("avifenc", {"--cicp", "12/13/6", png.fileName(), dir.filePath("p3.avif")}));
    Picture p3;
    ASSERT_EQ(decodeFile(dir.filePath("p3.avif"), p3), Status::Ok);
    EXPECT_EQ(colour::profileDescription(p3.metadata().iccProfile), "Display P3");
}

TEST(ColourToSrgb, AGreyProfileConvertsGreyPicturesOnly) {
    const cmsCIExyY d50{0.3457, 0.3585, 1.0};
    cmsToneCurve* gamma = cmsBuildGamma(nullptr, 1.8);
    cmsHPROFILE grey = cmsCreateGrayProfile(&d50, gamma);
    const QByteArray profile = savedProfile(grey);
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHTRANSFORM reference =
        cmsCreateTransform(grey, TYPE_GRAY_8, srgb, TYPE_RGB_8, INTENT_RELATIVE_COLORIMETRIC,
                           cmsFLAGS_BLACKPOINTCOMPENSATION);
    Picture picture;
    ASSERT_EQ(allocatePicture(256, 1, false, picture), Status::Ok);
    for (int x = 0; x < 256; ++x)
        picture.image().setPixel(x, 0, qRgb(x, x, x));
    Picture colours = colourGrid();
    picture.metadata().iccProfile = colours.metadata().iccProfile = profile;
    EXPECT_TRUE(colour::convertToSrgb(picture));
    int worst = 0;
    for (int x = 0; x < 256; ++x) {
        const unsigned char in = static_cast<unsigned char>(x);
        unsigned char rgb[3];
        cmsDoTransform(reference, &in, rgb, 1);
        worst = std::max(worst, std::abs(qGreen(picture.image().pixel(x, 0)) - rgb[1]));
    }
    EXPECT_LE(worst, 1);
    EXPECT_GT(std::abs(qGreen(picture.image().pixel(128, 0)) - 128), 10);
    EXPECT_FALSE(colour::convertToSrgb(colours)) << "a grey profile cannot describe colours";
    EXPECT_EQ(maxChannelDifference(colours.image(), colourGrid().image()), 0);
    cmsDeleteTransform(reference);
    cmsCloseProfile(srgb);
    cmsCloseProfile(grey);
    cmsFreeToneCurve(gamma);
}

// A CMYK printer-like profile made by lcms2: a table from CMYK to L*a*b* that darkens the inks
// unevenly, unlike the naive conversion (255 - ink) x (255 - black).
QByteArray cmykProfile() {
    cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHTRANSFORM toLab =
        cmsCreateTransform(srgb, TYPE_RGB_DBL, lab, TYPE_Lab_16, INTENT_RELATIVE_COLORIMETRIC, 0);
    cmsHPROFILE profile = cmsCreateProfilePlaceholder(nullptr);
    cmsSetProfileVersion(profile, 2.1); // a plain 16-bit table (v4 wants curves around it)
    cmsSetDeviceClass(profile, cmsSigOutputClass);
    cmsSetColorSpace(profile, cmsSigCmykData);
    cmsSetPCS(profile, cmsSigLabData);
    cmsPipeline* table = cmsPipelineAlloc(nullptr, 4, 3);
    cmsStage* grid = cmsStageAllocCLut16bit(nullptr, 9, 4, 3, nullptr);
    cmsStageSampleCLut16bit(
        grid,
        [](const cmsUInt16Number in[], cmsUInt16Number out[], void* transform) -> cmsInt32Number {
            const double c = in[0] / 65535.0, m = in[1] / 65535.0, y = in[2] / 65535.0,
                         k = in[3] / 65535.0;
            const double rgb[3] = {std::pow(1 - c, 1.6) * (1 - 0.8 * k),
                                   (1 - m) * (1 - 0.3 * c) * (1 - 0.9 * k),
                                   std::pow(1 - y, 0.7) * (1 - k)};
            cmsDoTransform(transform, rgb, out, 1);
            return TRUE;
        },
        toLab, 0);
    cmsPipelineInsertStage(table, cmsAT_BEGIN, grid);
    cmsWriteTag(profile, cmsSigAToB0Tag, table);
    cmsWriteTag(profile, cmsSigMediaWhitePointTag, cmsD50_XYZ());
    const QByteArray bytes = savedProfile(profile);
    cmsPipelineFree(table);
    cmsCloseProfile(profile);
    cmsDeleteTransform(toLab);
    cmsCloseProfile(srgb);
    cmsCloseProfile(lab);
    return bytes;
}

// A CMYK JPEG with an Adobe marker (inverted samples, as Photoshop writes them) and the profile.
QByteArray cmykJpeg(const std::vector<unsigned char>& inverted, int width, int height,
                    const QByteArray& profile) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 100, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    jpeg_write_icc_profile(&cinfo, reinterpret_cast<const JOCTET*>(profile.constData()),
                           unsigned(profile.size()));
    while (cinfo.next_scanline < cinfo.image_height) {
        auto* row = const_cast<JSAMPROW>(inverted.data() + cinfo.next_scanline * width * 4);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    const QByteArray bytes(reinterpret_cast<const char*>(buffer), qsizetype(size));
    std::free(buffer);
    return bytes;
}

TEST(ColourToSrgb, ACmykJpegGoesThroughItsProfile) {
    constexpr int kSide = 32;
    // Flat 8 x 8 blocks of one colour each, so that JPEG at quality 100 keeps the samples.
    std::vector<unsigned char> inverted(std::size_t(kSide) * kSide * 4);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x)
            for (int c = 0; c < 4; ++c)
                inverted[std::size_t((y * kSide + x) * 4 + c)] =
                    static_cast<unsigned char>(255 - ((x / 8) * 60 + (y / 8) * 20 + c * 37) % 256);
    const QByteArray profile = cmykProfile();
    Picture decoded;
    ASSERT_EQ(decodeBytes(cmykJpeg(inverted, kSide, kSide, profile), decoded), Status::Ok);
    EXPECT_TRUE(decoded.metadata().iccProfile.isEmpty()) << "the pixels are sRGB now";

    cmsHPROFILE cmyk = cmsOpenProfileFromMem(profile.constData(), cmsUInt32Number(profile.size()));
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHTRANSFORM reference =
        cmsCreateTransform(cmyk, TYPE_CMYK_8_REV, srgb, TYPE_RGB_8, INTENT_RELATIVE_COLORIMETRIC,
                           cmsFLAGS_BLACKPOINTCOMPENSATION);
    int worst = 0, naiveWorst = 0;
    for (int y = 4; y < kSide; y += 8) {
        for (int x = 4; x < kSide; x += 8) {
            const unsigned char* sample = inverted.data() + std::size_t(y * kSide + x) * 4;
            unsigned char rgb[3];
            cmsDoTransform(reference, sample, rgb, 1);
            const QRgb got = decoded.image().pixel(x, y);
            worst = std::max({worst, std::abs(qRed(got) - rgb[0]), std::abs(qGreen(got) - rgb[1]),
                              std::abs(qBlue(got) - rgb[2])});
            const int naiveRed = sample[0] * sample[3] / 255;
            naiveWorst = std::max(naiveWorst, std::abs(qRed(got) - naiveRed));
        }
    }
    cmsDeleteTransform(reference);
    cmsCloseProfile(srgb);
    cmsCloseProfile(cmyk);
    EXPECT_LE(worst, 3);
    EXPECT_GT(naiveWorst, 20) << "not the naive inversion";
}

} // namespace
} // namespace pix::imaging::test
