// A camera photograph's profile and metadata through decoding, resizing and encoding, read back
// by exiftool: kept, updated (orientation, size, no preview) or removed as the choice says.
#include "imaging/jpegwriter.h"
#include "imaging/metadatatools.h"
#include "imaging/testpictures.h"
#include "platform/imaging/encoders.h"
#include "platform/imaging/outputmetadata.h"

#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

namespace pix::imaging::test {
namespace {

using metadata::Choice;

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A 120 x 75 JPEG as a camera writes it, turned by Orientation 6, with an IFD1 preview, GPS,
// XMP, IPTC, a comment and a wide-gamut profile, written by exiftool.
QString makeCameraJpeg(const QTemporaryDir& dir) {
    const QString source = dir.filePath("camera.jpg"), thumb = dir.filePath("thumb.jpg"),
                  icc = dir.filePath("wide.icc");
    if (!writeFile(source, encodeToMemory(gradient(120, 75), "image/jpeg", 90)) ||
        !writeFile(thumb, encodeToMemory(gradient(16, 10), "image/jpeg", 50)) ||
        !writeFile(icc, rgbProfile(kAdobePrimaries, true, "Wide test RGB")))
        return {};
    const QStringList tags = {"-Make=TestCam",
                              "-Model=TC 1",
                              "-DateTimeOriginal=2024:05:06 07:08:09",
                              "-GPSLatitude=48.85",
                              "-GPSLatitudeRef=N",
                              "-GPSLongitude=2.35",
                              "-GPSLongitudeRef=E",
                              "-Orientation#=6",
                              "-ThumbnailImage<=" + thumb,
                              "-ExifImageWidth=120",
                              "-ExifImageHeight=75",
                              "-XMP-dc:Creator=Ann Example",
                              "-XMP-photoshop:City=Paris",
                              "-XMP-exif:GPSLatitude=48.85",
                              "-XMP-tiff:Orientation#=6",
                              "-IPTC:City=Paris",
                              "-IPTC:By-line=Ann Example",
                              "-ColorSpace#=65535",
                              "-InteropIndex=R03",
                              "-Comment=hello comment",
                              "-ICC_Profile<=" + icc};
    return runProgram("exiftool",
                      QStringList{"-q", "-overwrite_original"} + tags + QStringList{source})
               ? source
               : QString();
}

enum Kind { Exif, Xmp, Iptc, Location, Comment, Always, Never };

struct Field {
    const char* tag;
    QJsonValue value; // Null: only that the tag is there
    Kind kind;
    const char* formats; // where it is expected at all
};

const Field kFields[] = {
    {"IFD0:Make", "TestCam", Exif, "jpg png tif webp avif jxl"},
    {"ExifIFD:DateTimeOriginal", "2024:05:06 07:08:09", Exif, "jpg png tif webp avif jxl"},
    {"IFD0:Orientation", 1, Exif, "jpg png webp avif jxl"},
    {"IFD0:Orientation", 1, Always, "tif"}, // a TIFF's own tag
    {"ExifIFD:ExifImageWidth", 60, Exif, "jpg png webp avif jxl"},
    {"ExifIFD:ExifImageHeight", 96, Exif, "jpg png webp avif jxl"},
    {"GPS:GPSLatitude", QJsonValue(), Location, "jpg png tif webp avif jxl"},
    {"ExifIFD:ColorSpace", 65535, Exif, "jpg png tif webp avif jxl"}, // the kept profile's space
    {"InteropIFD:InteropIndex", "R03", Exif, "jpg png webp avif jxl"},
    {"XMP-dc:Creator", "Ann Example", Xmp, "jpg png tif webp avif jxl"},
    {"XMP-tiff:Orientation", 1, Xmp, "jpg png tif webp avif jxl"},
    {"XMP-photoshop:City", "Paris", Location, "jpg png tif webp avif jxl"},
    {"XMP-exif:GPSLatitude", QJsonValue(), Location, "jpg png tif webp avif jxl"},
    {"IPTC:By-line", "Ann Example", Iptc, "jpg png tif"},
    {"IPTC:City", "Paris", Location, "jpg png tif"},
    {"File:Comment", "hello comment", Comment, "jpg"},
    {"PNG:Comment", "hello comment", Comment, "png"},
    {"ICC_Profile:ProfileDescription", "Wide test RGB", Always, "jpg png tif webp avif"},
    {"IFD1:ThumbnailLength", QJsonValue(), Never, ""},
};

// Whether the field is expected in the format's output; rows of other formats are not checked.
std::optional<bool> expected(const Field& field, Choice choice, const QString& format) {
    if (field.kind == Never)
        return false;
    if (!QString::fromLatin1(field.formats).split(' ').contains(format))
        return std::nullopt;
    switch (field.kind) {
    case Always:
        return true;
    case Location:
        return choice == Choice::KeepAll;
    default:
        return choice != Choice::RemoveAll;
    }
}

TEST(MetadataRoundTrip, KeptUpdatedOrRemovedInEveryFormat) {
    if (!haveProgram("exiftool"))
        GTEST_SKIP() << "exiftool is not installed (scripts/deps.sh installs it)";
    QTemporaryDir dir;
    const QString source = makeCameraJpeg(dir);
    ASSERT_FALSE(source.isEmpty());
    const struct {
        const char* format;
        const char* mime;
        const char* fileType; // in exiftool's name of the file's type
    } formats[] = {{"jpg", "image/jpeg", "JPEG"},  {"png", "image/png", "PNG"},
                   {"tif", "image/tiff", "TIFF"},  {"webp", "image/webp", "WEBP"},
                   {"avif", "image/avif", "AVIF"}, {"jxl", "image/jxl", "JXL"}};
    const Choice choices[] = {Choice::KeepAll, Choice::RemoveLocation, Choice::RemoveAll};
    QStringList outputs;
    for (const auto& f : formats) {
        for (const Choice choice : choices) {
            Picture upright, output;
            ASSERT_EQ(decodeFile(source, upright), Status::Ok);
            ASSERT_EQ(upright.image().size(), QSize(75, 120)) << "turned by its orientation";
            ASSERT_EQ(resizePicture(upright, 60, 96, output), Status::Ok);
            output.metadata() = upright.metadata();
            EXPECT_EQ(prepareForEncoder(output, findEncoderByMimeType(f.mime), {false, choice}),
                      QString());
            QByteArray bytes;
            ASSERT_EQ(encodeToMemory(output, findEncoderByMimeType(f.mime), 90, bytes), Status::Ok);
            outputs << dir.filePath(QStringLiteral("out%1.%2").arg(int(choice)).arg(f.format));
            ASSERT_TRUE(writeFile(outputs.back(), bytes));
            if (choice != Choice::KeepAll) {
                EXPECT_FALSE(bytes.contains("Paris")) << "no location left in " << f.format;
                continue;
            }
            // Our own decoder reads back what our encoder wrote, for the next conversion.
            Picture again;
            ASSERT_EQ(decodeBytes(bytes, again), Status::Ok) << f.format;
            EXPECT_TRUE(again.metadata().exif.contains("TestCam")) << f.format;
            EXPECT_TRUE(again.metadata().xmp.contains("Ann Example")) << f.format;
            // libjxl hands lossy pixels back converted to sRGB; the file keeps the profile.
            EXPECT_NE(again.metadata().iccProfile.isEmpty(), f.format != QLatin1String("jxl"))
                << f.format;
            if (f.format == QLatin1String("jxl") && haveProgram("jxlinfo")) {
                QByteArray info;
                ASSERT_TRUE(runProgram("jxlinfo", {outputs.back()}, &info));
                EXPECT_TRUE(info.contains(QByteArray::number(upright.metadata().iccProfile.size()) +
                                          "-byte ICC profile"))
                    << info.toStdString();
            }
        }
    }
    // Converted to sRGB, the pixels are tagged so, in the profile and in EXIF and XMP.
    Picture upright, converted;
    ASSERT_EQ(decodeFile(source, upright), Status::Ok);
    ASSERT_EQ(resizePicture(upright, 60, 96, converted), Status::Ok);
    converted.metadata() = upright.metadata();
    prepareForEncoder(converted, findEncoderByMimeType("image/jpeg"), {true, Choice::KeepAll});
    outputs << dir.filePath("srgb.jpg");
    ASSERT_TRUE(writeFile(outputs.back(), encodeToMemory(converted, "image/jpeg")));
    const std::vector<QJsonObject> tags = readTags(outputs);
    const QJsonObject& srgb = tags.back();
    EXPECT_EQ(srgb.value("ICC_Profile:ProfileDescription"), "sRGB");
    EXPECT_EQ(srgb.value("ExifIFD:ColorSpace"), 1);
    EXPECT_EQ(srgb.value("InteropIFD:InteropIndex"), "R98");
    EXPECT_EQ(srgb.value("IFD0:Make"), "TestCam");
    int i = 0;
    for (const auto& f : formats) {
        for (const Choice choice : choices) {
            const QJsonObject& read = tags[std::size_t(i++)];
            EXPECT_TRUE(read.value("File:FileType").toString().contains(f.fileType))
                << f.format << ": exiftool read nothing";
            for (const Field& field : kFields) {
                const std::optional<bool> want = expected(field, choice, f.format);
                if (!want)
                    continue;
                EXPECT_EQ(read.contains(field.tag), *want)
                    << f.format << " choice " << int(choice) << ": " << field.tag;
                if (*want && !field.value.isNull()) {
                    EXPECT_EQ(read.value(field.tag), field.value)
                        << f.format << " choice " << int(choice) << ": " << field.tag;
                }
            }
        }
    }
}

// A JPEG carrying IPTC only (and the tags given), converted to each format and choice: where
// the format holds no IPTC, its datasets are carried in the XMP instead.
TEST(MetadataRoundTrip, IptcTravelsAsXmpWhereTheFormatHoldsNoIptc) {
    if (!haveProgram("exiftool"))
        GTEST_SKIP() << "exiftool is not installed (scripts/deps.sh installs it)";
    QTemporaryDir dir;
    const QStringList iptc = {"-IPTC:Keywords=alpha",
                              "-IPTC:Keywords=beta",
                              "-IPTC:By-line=Ann Example",
                              "-IPTC:City=Paris",
                              "-IPTC:Country-PrimaryLocationName=France",
                              "-IPTC:ContentLocationName=Louvre"};
    const struct {
        const char* name;
        QStringList tags;
        const char* caption; // the output's XMP caption
    } sources[] = {
        // exiftool writes IPTC as Latin-1 unless its character set dataset says UTF-8.
        {"latin1", iptc + QStringList{"-IPTC:Caption-Abstract=Café crème"}, "Café crème"},
        {"utf8", iptc + QStringList{"-IPTC:CodedCharacterSet=UTF8", "-IPTC:Caption-Abstract=Ωμέγα"},
         "Ωμέγα"},
        {"xmp caption wins",
         iptc + QStringList{"-IPTC:Caption-Abstract=old", "-XMP-dc:Description=new"}, "new"},
    };
    const Field fields[] = {
        {"XMP-dc:Subject", QJsonArray{"alpha", "beta"}, Iptc, "webp avif jxl"},
        {"XMP-dc:Creator", "Ann Example", Iptc, "webp avif jxl"},
        {"XMP-photoshop:City", "Paris", Location, "webp avif jxl"},
        {"XMP-photoshop:Country", "France", Location, "webp avif jxl"},
        {"IPTC:Keywords", QJsonArray{"alpha", "beta"}, Iptc, "jpg"},
        {"IPTC:City", "Paris", Location, "jpg"},
        {"IPTC:ContentLocationName", "Louvre", Location, "jpg"},
    };
    const char* const formats[][2] = {{"jpg", "image/jpeg"},
                                      {"webp", "image/webp"},
                                      {"avif", "image/avif"},
                                      {"jxl", "image/jxl"}};
    const Choice choices[] = {Choice::KeepAll, Choice::RemoveLocation, Choice::RemoveAll};
    QStringList outputs;
    for (const auto& source : sources) {
        const QString path = dir.filePath(QString::fromLatin1(source.name) + ".jpg");
        ASSERT_TRUE(writeFile(path, encodeToMemory(gradient(40, 30), "image/jpeg", 90)));
        ASSERT_TRUE(runProgram("exiftool", QStringList{"-q", "-overwrite_original"} + source.tags +
                                               QStringList{path}));
        for (const auto& [format, mime] : formats) {
            for (const Choice choice : choices) {
                Picture picture;
                ASSERT_EQ(decodeFile(path, picture), Status::Ok);
                EXPECT_EQ(prepareForEncoder(picture, findEncoderByMimeType(mime), {false, choice}),
                          QString());
                const QByteArray bytes = encodeToMemory(picture, mime);
                EXPECT_EQ(bytes.contains("Louvre") || bytes.contains("Paris"),
                          choice == Choice::KeepAll)
                    << format;
                outputs << dir.filePath(
                    QStringLiteral("%1-%2.%3").arg(source.name).arg(int(choice)).arg(format));
                ASSERT_TRUE(writeFile(outputs.back(), bytes));
            }
        }
    }
    const std::vector<QJsonObject> tags = readTags(outputs);
    std::size_t i = 0;
    for (const auto& source : sources) {
        for (const auto& [format, mime] : formats) {
            for (const Choice choice : choices) {
                const QJsonObject& read = tags[i++];
                const QString where =
                    QStringLiteral("%1 %2 choice %3").arg(source.name, format).arg(int(choice));
                for (const Field& field : fields) {
                    const std::optional<bool> want = expected(field, choice, format);
                    if (!want)
                        continue;
                    EXPECT_EQ(read.contains(field.tag), *want) << qPrintable(where) << field.tag;
                    if (*want && !field.value.isNull()) {
                        EXPECT_EQ(read.value(field.tag), field.value)
                            << qPrintable(where) << field.tag;
                    }
                }
                // JPEG keeps the IPTC as it is, beside an XMP packet without it.
                if (QLatin1String(format) == QLatin1String("jpg")) {
                    EXPECT_FALSE(read.contains("XMP-dc:Subject")) << qPrintable(where);
                } else if (choice != Choice::RemoveAll) {
                    EXPECT_EQ(read.value("XMP-dc:Description"), QString::fromUtf8(source.caption))
                        << qPrintable(where);
                }
            }
        }
    }
}

} // namespace
} // namespace pix::imaging::test

namespace pix::imaging::test {
namespace {

void put16(QByteArray& b, quint16 v) {
    b.append(char(v & 0xFF)).append(char(v >> 8));
}
void put32(QByteArray& b, quint32 v) {
    put16(b, quint16(v & 0xFFFF));
    put16(b, quint16(v >> 16));
}

// A little-endian EXIF block: IFD0 with Make and a pointer to the Exif directory.
QByteArray exifWithMake(quint32 exifPointer) {
    QByteArray b("II*\0", 4);
    put32(b, 8);
    put16(b, 2);
    put16(b, 0x010F); // Make, ASCII "Cam"
    put16(b, 2);
    put32(b, 4);
    b.append("Cam\0", 4);
    put16(b, 0x8769); // ExifTag
    put16(b, 4);
    put32(b, 1);
    put32(b, exifPointer);
    put32(b, 0);
    return b;
}

TEST(DamagedExif, TheFileConvertsKeepingWhatCanBeRead) {
    const struct {
        const char* name;
        QByteArray exif;
        bool makeKept; // else the block is dropped with a note
    } cases[] = {
        {"random bytes", QByteArray(300, '\x5a'), false},
        {"first directory beyond the block", QByteArray("II*\0\x88\x13\0\0", 8), false},
        {"Exif directory beyond the block", exifWithMake(9999), true},
        {"Exif directory pointing at itself", exifWithMake(8), true},
        {"an entry count far beyond the block", QByteArray("II*\0\x08\0\0\0\xff\xff", 10), false},
        {"cut in the middle", exifWithMake(9999).left(20), false},
    };
    for (const auto& c : cases) {
        JpegLayout layout;
        layout.progressive = false;
        layout.exif = QByteArray("Exif\0\0", 6) + c.exif;
        Picture picture, output;
        ASSERT_EQ(decodeBytes(writeJpeg(gradient(40, 30).image(), layout), picture), Status::Ok)
            << c.name;
        ASSERT_EQ(resizePicture(picture, 20, 15, output), Status::Ok);
        output.metadata() = picture.metadata();
        const QString note =
            prepareForEncoder(output, findEncoderByMimeType("image/jpeg"), OutputChoices{});
        EXPECT_EQ(note.contains("EXIF could not be read"), !c.makeKept) << c.name;
        EXPECT_EQ(output.metadata().exif.contains("Cam"), c.makeKept) << c.name;
        Picture written;
        EXPECT_EQ(decodeBytes(encodeToMemory(output, "image/jpeg"), written), Status::Ok) << c.name;
    }
}

// One IPTC dataset of the application record: tag marker, record 2, dataset, length, text.
QByteArray dataset(int record, int number, const QByteArray& text) {
    return QByteArray("\x1c", 1) + char(record) + char(number) + char(text.size() >> 8) +
           char(text.size() & 0xFF) + text;
}

TEST(IptcRecords, CarriedAsXmpOrNamedInTheNote) {
    const QByteArray utf8 = dataset(1, 90, "\x1b%G");
    const struct {
        const char* name;
        QByteArray iptc, xmp;
        const char* mime;
        Choice choice;
        const char* inXmp; // text the packet holds afterwards
        const char* notInXmp;
        bool noted; // named in the row's note as left out
    } cases[] = {
        {"Latin-1 that claims UTF-8",
         utf8 + dataset(2, 120, "Caf\xe9"),
         {},
         "image/webp",
         Choice::KeepAll,
         "Café",
         "",
         false},
        {"control characters leave that value out",
         dataset(2, 120,
                 "a\x01"
                 "b") +
             dataset(2, 25, "kept"),
         {},
         "image/avif",
         Choice::KeepAll,
         "kept",
         "description",
         false},
        {"location only, removed: no packet, no note",
         dataset(2, 90, "Paris"),
         {},
         "image/jxl",
         Choice::RemoveLocation,
         "",
         "Paris",
         false},
        {"location only, removed from JPEG's IPTC: no note",
         dataset(2, 90, "Paris"),
         {},
         "image/jpeg",
         Choice::RemoveLocation,
         "",
         "Paris",
         false},
        {"unreadable records: the packet stays",
         QByteArray("\x1c\x02\x78\x00\x10"
                    "abc",
                    8),
         "<x:xmpmeta xmlns:x='adobe:ns:meta/'/>", "image/webp", Choice::KeepAll, "xmpmeta", "",
         true},
    };
    for (const auto& c : cases) {
        Picture picture;
        ASSERT_EQ(allocatePicture(4, 4, false, picture), Status::Ok);
        picture.metadata().iptc = c.iptc;
        picture.metadata().xmp = c.xmp;
        const QString note =
            prepareForEncoder(picture, findEncoderByMimeType(c.mime), {false, c.choice});
        EXPECT_EQ(note.contains("IPTC could not be read"), c.noted) << c.name;
        const QString xmp = QString::fromUtf8(picture.metadata().xmp);
        EXPECT_TRUE(xmp.contains(QString::fromUtf8(c.inXmp))) << c.name;
        if (*c.notInXmp) {
            EXPECT_FALSE(xmp.contains(QLatin1String(c.notInXmp)) ||
                         picture.metadata().iptc.contains(c.notInXmp))
                << c.name;
        }
    }
}

} // namespace
} // namespace pix::imaging::test
