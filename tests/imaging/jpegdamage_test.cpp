// Damaged JPEG files: stray bytes before a marker leave every pixel as the clean file gives it,
// so the picture is read with libjpeg's warning as its note; a file whose pixels libjpeg would
// have to make up (cut, or broken entropy-coded data) is refused.
#include "imaging/jpegwriter.h"
#include "imaging/testpictures.h"
#include "platform/imaging/decoder.h"

#include <functional>
#include <gtest/gtest.h>

namespace pix::imaging {
namespace {

// An Exif block that turns the picture (orientation 6), padded at its end.
QByteArray exifTurningRight() {
    QByteArray tiff("II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0\x06\0\0\0\0\0\0\0", 26);
    return QByteArray("Exif\0\0", 6) + tiff + QByteArray(40, 'x');
}

QByteArray insertAt(QByteArray bytes, qsizetype at, const QByteArray& stray) {
    return bytes.insert(at, stray);
}

qsizetype markerAt(const QByteArray& jpeg, char code) {
    return jpeg.indexOf(QByteArray("\xFF", 1) + code);
}

struct Damage {
    const char* what;
    std::function<QByteArray(const QByteArray&)> make;
    bool read;          // the picture is given, pixel for pixel as the clean file's
    const char* saying; // part of libjpeg's message, kept as the note or the failure's detail
};

const Damage kDamages[] = {
    {"stray bytes after the start of image",
     [](const QByteArray& j) { return insertAt(j, 2, "zzz"); }, true, "extraneous bytes"},
    {"an Exif block ten bytes longer than it says",
     [](const QByteArray& j) {
         QByteArray b = j;
         const qsizetype app1 = markerAt(j, '\xE1');
         b[app1 + 3] = char(b[app1 + 3] - 10);
         return b;
     },
     true, "10 extraneous bytes before marker"},
    {"stray bytes with a stuffed zero before the scan",
     [](const QByteArray& j) {
         return insertAt(j, markerAt(j, '\xDA'), {"z\xFF\x00z", 4});
     },
     true, "extraneous bytes before marker 0xda"},
    {"stray bytes before the end of image",
     [](const QByteArray& j) { return insertAt(j, j.size() - 2, "\x01\x02\x03\x04\x05"); }, true,
     "extraneous bytes before marker 0xd9"},
    {"cut in the last scan", [](const QByteArray& j) { return j.left(j.size() - 40); }, false,
     "Premature end of JPEG file"},
    {"cut, with its end marker",
     [](const QByteArray& j) { return j.left(j.size() - 40) + "\xFF\xD9"; }, false,
     "premature end of data segment"},
    {"a run of one bits in the first scan, no Huffman code",
     [](const QByteArray& j) {
         return j.left(markerAt(j, '\xDA') + 40) + QByteArray("\xFF\x00\xFF\x00\xFF\x00", 6) +
                j.mid(markerAt(j, '\xDA') + 46);
     },
     false, "bad Huffman code"},
};

TEST(JpegDamage, StrayBytesAreReadAsTheCleanFileAndMadeUpPixelsAreRefused) {
    for (bool progressive : {false, true}) {
        test::JpegLayout layout;
        layout.progressive = progressive;
        layout.exif = exifTurningRight();
        const QByteArray clean = test::writeJpeg(test::detailed(64, 48).image(), layout);
        for (const QSize minSize : {QSize(), QSize(8, 8)}) {
            const DecodeHint hint{minSize};
            Picture want;
            ASSERT_EQ(test::decodeBytes(clean, want, hint), Status::Ok);
            ASSERT_EQ(want.image().size(), minSize.isEmpty() ? QSize(48, 64) : QSize(12, 16));
            EXPECT_EQ(lastDecodeNote(), QString()) << "a clean file has no note";
            for (const Damage& d : kDamages) {
                SCOPED_TRACE(testing::Message() << d.what << (progressive ? ", progressive" : "")
                                                << (minSize.isEmpty() ? "" : ", at 1/4"));
                Picture got;
                const Status status = test::decodeBytes(d.make(clean), got, hint);
                if (d.read) {
                    EXPECT_EQ(status, Status::Ok) << qPrintable(lastDecodeDetail());
                    EXPECT_EQ(got.image(), want.image());
                    EXPECT_TRUE(lastDecodeNote().contains(d.saying))
                        << qPrintable(lastDecodeNote());
                } else {
                    EXPECT_EQ(status, Status::CorruptData);
                    EXPECT_TRUE(got.isNull());
                    EXPECT_TRUE(lastDecodeDetail().contains(d.saying))
                        << qPrintable(lastDecodeDetail());
                    EXPECT_EQ(lastDecodeNote(), QString());
                }
            }
        }
    }
}

} // namespace
} // namespace pix::imaging
