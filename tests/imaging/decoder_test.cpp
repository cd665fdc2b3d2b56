// Format detection, orientation, reduced-scale decoding and hostile input.
#include "imaging/testpictures.h"
#include "platform/imaging/decoder.h"
#include "platform/imaging/transform.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace pix::imaging {
namespace {

using test::decodeBytes;
using test::measureBytes;

// A JPEG with an Exif APP1 segment holding the orientation tag, inserted after SOI.
QByteArray withExifOrientation(QByteArray jpeg, int orientation) {
    QByteArray tiff("MM\0*\0\0\0\x08", 8);
    tiff += QByteArray("\0\x01", 2);                   // one entry
    tiff += QByteArray("\x01\x12\0\x03\0\0\0\x01", 8); // orientation, SHORT, 1
    tiff += char(0) + QByteArray(1, char(orientation)) + QByteArray(2, '\0');
    tiff += QByteArray(4, '\0'); // no next IFD
    const QByteArray body = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment("\xFF\xE1", 2);
    segment += char((body.size() + 2) >> 8);
    segment += char((body.size() + 2) & 0xFF);
    segment += body;
    jpeg.insert(2, segment);
    return jpeg;
}

TEST(Detect, RecognisesFormatsByContentNotByName) {
    QTemporaryDir dir;
    const QString misnamed = dir.filePath("really-a-png.jpg");
    QFile file(misnamed);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(test::encodeToMemory(test::quadrants(8, 6), "image/png"));
    file.close();
    Picture picture;
    ASSERT_EQ(decodeFile(misnamed, picture), Status::Ok);
    EXPECT_EQ(picture.image().size(), QSize(8, 6));
    EXPECT_EQ(decodeFile(dir.filePath("missing.png"), picture), Status::FileNotFound);
    EXPECT_EQ(decodeBytes(QByteArray("plain text, not a picture"), picture),
              Status::UnknownImageFormat);
    EXPECT_EQ(decodeBytes(QByteArray(), picture), Status::UnknownImageFormat);
}

TEST(Detect, RefusesFoldersPipesAndDevicesWithoutReadingThem) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("pipe.jpg");
    ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    Picture picture;
    QSize size;
    for (const QString& path : {fifo, dir.path(), QString("/dev/zero")}) {
        EXPECT_EQ(decodeFile(path, picture), Status::FileNotFound) << path.toStdString();
        EXPECT_EQ(measureFile(path, size), Status::FileNotFound) << path.toStdString();
    }
}

TEST(Jpeg, TurningWhileDecodingEqualsTurningTheUprightPicture) {
    // Odd sizes leave partial blocks at the edges; orientation 6 adds a turn of its own.
    const QByteArray plain = test::encodeToMemory(test::gradient(61, 35), "image/jpeg", 90);
    for (const QByteArray& jpeg : {plain, withExifOrientation(plain, 6)}) {
        Picture upright;
        ASSERT_EQ(decodeBytes(jpeg, upright), Status::Ok);
        for (RotateFlipType type : test::kAllRotateFlipTypes) {
            SCOPED_TRACE(type);
            Picture expected = upright;
            ASSERT_EQ(rotateFlip(expected, type), Status::Ok);
            Picture turned;
            ASSERT_EQ(decodeBytes(jpeg, turned, {QSize(), type}), Status::Ok);
            EXPECT_EQ(turned.image(), expected.image());
        }
    }
}

TEST(Jpeg, AdobeCmykIsConvertedAndTurnedWhileDecoding) {
    const QString path = QString(PIXOVIA_TEST_DATA) + "/jpeg/cmyk-quadrants.jpg";
    Picture upright;
    ASSERT_EQ(decodeFile(path, upright), Status::Ok);
    ASSERT_EQ(upright.image().size(), QSize(40, 20));
    const auto q = test::sampleQuadrants(upright);
    const QRgb expected[] = {test::kRed, test::kGreen, test::kBlue, test::kYellow};
    const QRgb got[] = {q.topLeft, q.topRight, q.bottomLeft, q.bottomRight};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(qRed(got[i]), qRed(expected[i]), 8);
        EXPECT_NEAR(qGreen(got[i]), qGreen(expected[i]), 8);
        EXPECT_NEAR(qBlue(got[i]), qBlue(expected[i]), 8);
    }
    Picture expectedTurn = upright;
    ASSERT_EQ(rotateFlip(expectedTurn, Rotate270FlipX), Status::Ok);
    Picture turned;
    ASSERT_EQ(decodeFile(path, turned, {QSize(), Rotate270FlipX}), Status::Ok);
    EXPECT_EQ(turned.image(), expectedTurn.image());
}

TEST(Decoder, OtherFormatsAreTurnedAfterDecodingAndBadTypesRefused) {
    const QByteArray png = test::encodeToMemory(test::quadrants(40, 20), "image/png");
    Picture picture;
    ASSERT_EQ(decodeBytes(png, picture, {QSize(), Rotate90FlipX}), Status::Ok);
    EXPECT_EQ(picture.image().size(), QSize(20, 40));
    EXPECT_EQ(picture.image().pixel(2, 2), test::kRed);
    EXPECT_EQ(decodeBytes(png, picture, {QSize(), RotateFlipType(8)}), Status::InvalidParameter);
    EXPECT_EQ(decodeBytes(png, picture, {QSize(), RotateFlipType(-1)}), Status::InvalidParameter);
}

TEST(Jpeg, ExifOrientationGivesTheUprightPictureAndSize) {
    const QByteArray plain = test::encodeToMemory(test::quadrants(64, 32), "image/jpeg", 95);
    struct Case {
        int orientation;
        QSize size;
        QRgb topLeft;
    };
    const Case cases[] = {{1, {64, 32}, test::kRed},  {3, {64, 32}, test::kYellow},
                          {6, {32, 64}, test::kBlue}, {8, {32, 64}, test::kGreen},
                          {5, {32, 64}, test::kRed},  {2, {64, 32}, test::kGreen}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.orientation);
        const QByteArray jpeg = withExifOrientation(plain, c.orientation);
        QSize measured;
        ASSERT_EQ(measureBytes(jpeg, measured), Status::Ok);
        EXPECT_EQ(measured, c.size);
        Picture picture;
        ASSERT_EQ(decodeBytes(jpeg, picture), Status::Ok);
        EXPECT_EQ(picture.image().size(), c.size);
        const QRgb tl = picture.image().pixel(4, 4);
        EXPECT_NEAR(qRed(tl), qRed(c.topLeft), 12);
        EXPECT_NEAR(qGreen(tl), qGreen(c.topLeft), 12);
        EXPECT_NEAR(qBlue(tl), qBlue(c.topLeft), 12);
    }
}

TEST(Jpeg, ReducedScaleNeverGoesBelowTheRequestedSize) {
    const QByteArray jpeg = test::encodeToMemory(test::gradient(800, 600), "image/jpeg", 85);
    struct Case {
        QSize hint, expected;
    };
    const Case cases[] = {{{}, {800, 600}},          {{100, 75}, {100, 75}},
                          {{101, 75}, {200, 150}},   {{200, 150}, {200, 150}},
                          {{201, 10}, {400, 300}},   {{401, 1}, {800, 600}},
                          {{1600, 1200}, {800, 600}}};
    for (const auto& c : cases) {
        Picture picture;
        ASSERT_EQ(decodeBytes(jpeg, picture, {c.hint}), Status::Ok);
        EXPECT_EQ(picture.image().size(), c.expected) << c.hint.width() << "x" << c.hint.height();
    }
    // The hint is upright: a picture turned by its orientation is reduced by its turned size.
    Picture turned;
    ASSERT_EQ(decodeBytes(withExifOrientation(jpeg, 6), turned, {QSize(150, 200)}), Status::Ok);
    EXPECT_EQ(turned.image().size(), QSize(150, 200));
}

// The number of dark columns in row y, in fractions of a pixel: where a dark-to-light edge lies.
double edgeColumn(const QImage& image, int y) {
    double dark = 0;
    for (int x = 0; x < image.width(); ++x)
        dark += 1.0 - qGray(image.pixel(x, y)) / 255.0;
    return dark;
}

TEST(Jpeg, AReducedPictureLandsWhereTheFullOneWouldWhenScaled) {
    // 401 x 301: the reduced pictures' last column and row stand for part of a pixel. Black up
    // to column 200, white after; the output edge belongs at 200 / 401 of its width.
    QImage source(401, 301, QImage::Format_RGB32);
    source.fill(Qt::white);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < 200; ++x)
            source.setPixel(x, y, qRgb(0, 0, 0));
    const QByteArray jpeg = test::encodeToMemory(Picture(source), "image/jpeg", 100);
    for (RotateFlipType type : {RotateNoneFlipNone, RotateNoneFlipX, Rotate180FlipNone}) {
        for (const QSize hint : {QSize(51, 38), QSize(101, 76), QSize(201, 151)}) {
            SCOPED_TRACE(testing::Message() << hint.width() << " type " << type);
            Picture reduced;
            ASSERT_EQ(decodeBytes(jpeg, reduced, {hint, type}), Status::Ok);
            ASSERT_LT(reduced.width(), 401);
            Picture output;
            ASSERT_EQ(resizePicture(reduced, 100, 75, output), Status::Ok);
            const double dark = edgeColumn(output.image(), 37);
            EXPECT_NEAR(dark, 100 * 200 / 401.0, 0.2);
            // Mirrored, the black part is on the right.
            const bool onLeft = qGray(output.image().pixel(0, 37)) < 128;
            EXPECT_EQ(onLeft, type == RotateNoneFlipNone);
        }
    }
}

TEST(Ico, DecodesTheLargestIcon) {
    Picture picture;
    ASSERT_EQ(decodeFile(QString(PIXOVIA_TEST_DATA) + "/ico/three-sizes.ico", picture), Status::Ok);
    EXPECT_EQ(picture.image().size(), QSize(48, 48));
    const auto q = test::sampleQuadrants(picture);
    EXPECT_EQ(q.topLeft, test::kRed);
    EXPECT_EQ(q.bottomRight, test::kYellow);
}

TEST(HostileInput, TruncatedFilesFailWithoutCrashing) {
    const Picture source = test::gradient(64, 48);
    for (const char* mime : {"image/jpeg", "image/png", "image/tiff", "image/bmp", "image/gif"}) {
        SCOPED_TRACE(mime);
        const QByteArray whole = test::encodeToMemory(source, mime, 90);
        ASSERT_FALSE(whole.isEmpty());
        // Cuts inside the pixel data must fail; cuts anywhere must not crash.
        for (int step = 1; step < 40; ++step) {
            const qsizetype cut = whole.size() * step / 40;
            Picture picture;
            const Status status = decodeBytes(whole.left(cut), picture);
            if (step < 30) {
                EXPECT_NE(status, Status::Ok) << "cut at " << cut << " of " << whole.size();
            }
        }
    }
    QSize size;
    EXPECT_NE(measureBytes(QByteArray("\xFF\xD8\xFF\xE0", 4), size), Status::Ok);
}

TEST(HostileInput, OversizedHeadersAreRefusedBeforeAllocating) {
    // PNG: a 100000 x 100000 header with a valid checksum.
    QByteArray png = test::encodeToMemory(test::quadrants(4, 4), "image/png");
    test::putBE32(png, 16, 100000);
    test::putBE32(png, 20, 100000);
    test::putBE32(png, 29, test::crc32(png.mid(12, 17)));
    // JPEG: a 65500 x 65500 frame.
    QByteArray jpeg = test::encodeToMemory(test::quadrants(16, 16), "image/jpeg", 80);
    const int sof = int(jpeg.indexOf(QByteArray("\xFF\xC0", 2)));
    ASSERT_GT(sof, 0);
    for (int i : {5, 7}) {
        jpeg[sof + i] = char(0xFF);
        jpeg[sof + i + 1] = char(0xDC);
    }
    for (const QByteArray& bytes : {png, jpeg}) {
        Picture picture;
        EXPECT_EQ(decodeBytes(bytes, picture), Status::TooLarge);
        QSize size;
        EXPECT_EQ(measureBytes(bytes, size), Status::TooLarge);
    }
}

TEST(HostileInput, APngChunkLongerThanTheFileIsRefusedBeforeAllocating) {
    // A text chunk after the image data claiming two gigabytes, in a file of a few hundred bytes.
    QByteArray png = test::encodeToMemory(test::quadrants(16, 12), "image/png");
    const qsizetype end = png.size() - 12; // the IEND chunk
    QByteArray text("\x7E\x00\x00\x25tEXtdate", 12);
    png.insert(end, text + QByteArray(8, 'x'));
    Picture picture;
    EXPECT_EQ(decodeBytes(png, picture), Status::CorruptData);
}

TEST(Measure, ReadsTheSizeOfEveryEncodedFormat) {
    for (const char* mime : {"image/jpeg", "image/png", "image/tiff", "image/bmp", "image/gif"}) {
        QSize size;
        ASSERT_EQ(measureBytes(test::encodeToMemory(test::quadrants(21, 13), mime), size),
                  Status::Ok)
            << mime;
        EXPECT_EQ(size, QSize(21, 13)) << mime;
    }
}

} // namespace
} // namespace pix::imaging
