// Colour conversion to sRGB against an independent lcms2 conversion of the same pixels: tificc
// from liblcms2-utils, with relative colorimetric intent and black-point compensation.
#include "imaging/metadatatools.h"
#include "imaging/testpictures.h"
#include "platform/imaging/colourprofile.h"
#include "platform/imaging/encoders.h"
#include "platform/imaging/outputmetadata.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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
    const QByteArray profiles[] = {cut, QByteArray(600, '\x7f'),
                                   QByteArray("\0\0\x02\0acsp", 9) + QByteArray(800, '\0')};
    for (const QByteArray& profile : profiles) {
        Picture picture = colourGrid();
        picture.metadata().iccProfile = profile;
        EXPECT_TRUE(prepareForEncoder(picture, findEncoderByMimeType("image/png"), {})
                        .contains("colour profile"));
        EXPECT_TRUE(picture.metadata().iccProfile.isEmpty());
        EXPECT_EQ(maxChannelDifference(picture.image(), colourGrid().image()), 0);
    }
}

} // namespace
} // namespace pix::imaging::test
