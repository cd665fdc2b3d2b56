// Run-length encoded bitmaps as browsers show them: pixels the stream skips are transparent, runs
// beyond their row are cut, a bad colour index is black, top-down files are read, and a cut
// file keeps the pixels it has, with a note.
#include "imaging/memorywatch.h"
#include "platform/imaging/bmpdecoder.h"
#include "platform/imaging/decoder.h"

#include <QFile>
#include <gtest/gtest.h>

#include <cstdint>

namespace pix::imaging {
namespace {

Status decode(const QByteArray& bytes, Picture& out) {
    return decodeBmp(reinterpret_cast<const unsigned char*>(bytes.constData()),
                     std::size_t(bytes.size()), out);
}

void put32(QByteArray& b, int at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = char(v >> (8 * i) & 0xFF);
}

// A width x height RLE picture (RLE8 for compression 1, RLE4 for 2) with a palette of two
// colours, blue and white, and the given stream.
QByteArray rleFile(int compression, const QByteArray& stream, int width = 4, int height = 2,
                   bool topDown = false) {
    QByteArray b(14 + 40 + 8, '\0');
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 10, 14 + 40 + 8);
    put32(b, 14, 40);
    put32(b, 18, std::uint32_t(width));
    put32(b, 22, std::uint32_t(topDown ? -height : height));
    b[26] = 1;
    b[28] = char(compression == 1 ? 8 : 4);
    put32(b, 30, std::uint32_t(compression));
    put32(b, 46, 2);
    put32(b, 54, 0x000000FF);
    put32(b, 58, 0x00FFFFFF);
    return b + stream;
}

// The pixels a row shows: '.' transparent, 'b' blue, 'w' white, 'k' black.
std::string shown(const QImage& image, int y) {
    std::string row;
    for (int x = 0; x < image.width(); ++x) {
        const QRgb p = image.pixel(x, y);
        row += qAlpha(p) == 0             ? '.'
               : p == qRgb(0, 0, 255)     ? 'b'
               : p == qRgb(255, 255, 255) ? 'w'
               : p == qRgb(0, 0, 0)       ? 'k'
                                          : '?';
    }
    return row;
}

TEST(BmpRle, StreamsShowWhatBrowsersShow) {
    struct Case {
        const char* what;
        int compression;
        const char* stream; // hex
        const char* top;    // the rows shown, top first; null: refused
        const char* bottom;
        const char* note = ""; // part of the decode's note
        bool topDown = false;
    };
    const Case cases[] = {
        {"two rows and end", 1, "0401 0000 0400 0001", "bbbb", "wwww"},
        {"top-down", 1, "0401 0000 0400 0001", "wwww", "bbbb", "", true},
        {"every pixel, no end mark", 1, "0401 0000 0401", "wwww", "wwww"},
        {"early end of bitmap", 1, "0201 0001", "....", "ww.."},
        {"early end of line", 1, "0101 0000 0201 0001", "ww..", "w..."},
        {"delta", 1, "0101 0002 0201 0101 0001", "...w", "w..."},
        {"delta beyond the top", 1, "0101 0002 0003 0101", "....", "w..."},
        {"delta beyond the right", 1, "0002 0500 0101 0000 0401 0001", "wwww", "....",
         "past the end of its row"},
        {"run beyond the row", 1, "0601 0000 0401 0001", "wwww", "wwww", "past the end of its row"},
        {"absolute run beyond the row", 1, "0005 0101010101 00 0001", "....", "wwww",
         "past the end of its row"},
        {"index beyond the palette", 1, "0102 0101 0107 0001", "....", "kwk."},
        {"no end", 1, "0401 0000", "....", "wwww", "ends before the picture"},
        {"cut inside a run", 1, "0401 0000 02", "....", "wwww", "ends before the picture"},
        {"cut inside an absolute run", 1, "0401 0000 0003 0101", "....", "wwww",
         "ends before the picture"},
        {"cut before any pixel", 1, "02", nullptr, nullptr},
        {"cut inside a delta", 1, "0002 01", nullptr, nullptr},
        {"no data", 1, "", nullptr, nullptr},
        {"RLE4 run of two nibbles", 2, "0412 0001", "....", "wkwk"},
        {"RLE4 top-down absolute", 2, "0004 1010 0000 0311 0001", "wbwb", "www.", "", true},
        {"RLE4 run beyond the row", 2, "0511 0001", "....", "wwww", "past the end of its row"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QByteArray file =
            rleFile(c.compression, QByteArray::fromHex(c.stream), 4, 2, c.topDown);
        Picture picture;
        const Status status = decode(file, picture);
        if (!c.top) {
            EXPECT_EQ(status, Status::CorruptData);
            continue;
        }
        ASSERT_EQ(status, Status::Ok) << qPrintable(lastDecodeDetail());
        const QImage image = picture.toStraightArgb();
        EXPECT_EQ(shown(image, 0), c.top);
        EXPECT_EQ(shown(image, 1), c.bottom);
        const bool transparent =
            QByteArray(c.top).contains('.') || QByteArray(c.bottom).contains('.');
        EXPECT_EQ(picture.hasAlpha(), transparent);
        // Through the decoder's front door, which clears and keeps the note.
        ASSERT_EQ(decodeMemory(reinterpret_cast<const unsigned char*>(file.constData()),
                               std::size_t(file.size()), picture),
                  Status::Ok);
        if (*c.note) {
            EXPECT_TRUE(lastDecodeNote().contains(c.note)) << qPrintable(lastDecodeNote());
        } else {
            EXPECT_EQ(lastDecodeNote(), QString());
        }
    }
}

// A corpus file cut anywhere in its pixel data gives the pixels drawn before the cut, each as
// the whole file gives it, and nothing else.
TEST(BmpRle, ACutFileKeepsThePixelsItHas) {
    for (const char* name : {"v3-rle8", "v3-rle4-delta", "os2v2-64-rle24"}) {
        SCOPED_TRACE(name);
        QFile file(QStringLiteral(PIXOVIA_TEST_DATA "/bmp/") + name + ".bmp");
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray whole = file.readAll();
        Picture full;
        ASSERT_EQ(decode(whole, full), Status::Ok);
        const QImage want = full.toStraightArgb();
        const auto pixels = qsizetype(uchar(whole[10]) | uchar(whole[11]) << 8); // bfOffBits
        int kept = 0;
        for (qsizetype cut = 0; cut < whole.size(); ++cut) {
            Picture picture;
            const Status status = decode(whole.left(cut), picture);
            if (cut <= pixels + 1 || status != Status::Ok) {
                // Refused only when the data ends before the stream draws a pixel.
                EXPECT_TRUE(kept == 0 && status != Status::Ok) << "cut at " << cut;
                continue;
            }
            const QImage got = picture.toStraightArgb();
            int wrong = 0;
            for (int y = 0; y < got.height(); ++y)
                for (int x = 0; x < got.width(); ++x)
                    wrong += qAlpha(got.pixel(x, y)) != 0 && got.pixel(x, y) != want.pixel(x, y);
            EXPECT_EQ(wrong, 0) << "cut at " << cut;
            ++kept;
        }
        EXPECT_GT(kept, 10);
    }
}

TEST(BmpRle, AFewBytesCannotClaimAGigabytePicture) {
    // 16384 x 16384 ended at once: lawful, but the picture would be cleared in full first.
    const QByteArray huge = rleFile(1, QByteArray::fromHex("0001"), 16384, 16384);
    const test::PeakGrowth growth;
    Picture picture;
    EXPECT_EQ(decode(huge, picture), Status::CorruptData);
    EXPECT_LT(growth.megabytes(), 40);
    // Up to 16 million pixels, an early end is believed as before.
    ASSERT_EQ(decode(rleFile(1, QByteArray::fromHex("0001"), 4000, 4000), picture), Status::Ok);
    EXPECT_EQ(picture.image().pixel(3999, 3999), 0u);
}

} // namespace
} // namespace pix::imaging
