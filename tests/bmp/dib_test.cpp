// Bare DIBs (the info header first, without the file header, as the clipboard stores a bitmap)
// recognised by their header and decoded as the bitmap file they come from.
#include "platform/imaging/decoder.h"

#include <QFile>
#include <gtest/gtest.h>

namespace pix::imaging {
namespace {

QByteArray corpusFile(const char* name) {
    QFile file(QStringLiteral(PIXOVIA_TEST_DATA "/bmp/") + name + ".bmp");
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const unsigned char* bytesOf(const QByteArray& b) {
    return reinterpret_cast<const unsigned char*>(b.constData());
}

TEST(Dib, ABitmapWithoutItsFileHeaderDecodesToTheSamePicture) {
    for (const char* name :
         {"v3-1bit", "v3-4bit", "v3-8bit-clrused", "v3-8bit-topdown", "v3-24bit",
          "v3-16bit-565-bitfields", "v3-32bit-alphabitfields", "info52-16bit-565", "v4-24bit",
          "v5-32bit-alpha-bitfields", "v3-rle8", "v3-rle4-delta"}) {
        SCOPED_TRACE(name);
        const QByteArray file = corpusFile(name);
        ASSERT_FALSE(file.isEmpty());
        const QByteArray dib = file.mid(14);
        EXPECT_EQ(detectFormat(bytesOf(dib), std::size_t(dib.size())), ImageFormat::Bmp);
        Picture want, got;
        ASSERT_EQ(decodeMemory(bytesOf(file), std::size_t(file.size()), want), Status::Ok);
        ASSERT_EQ(decodeMemory(bytesOf(dib), std::size_t(dib.size()), got), Status::Ok);
        EXPECT_EQ(got.image(), want.image());
        QSize size;
        ASSERT_EQ(measureMemory(bytesOf(dib), std::size_t(dib.size()), size), Status::Ok);
        EXPECT_EQ(size, want.image().size());
    }
}

TEST(Dib, DataThatOnlyResemblesAnInfoHeaderIsNotOne) {
    const QByteArray dib = corpusFile("v3-24bit").mid(14);
    ASSERT_FALSE(dib.isEmpty());
    const struct {
        const char* what;
        int offset;
        QByteArray bytes;
    } cases[] = {
        {"an OS/2 header size", 0, QByteArray("\x0C\0\0\0", 4)},
        {"an unknown header size", 0, QByteArray("\x29\0\0\0", 4)},
        {"zero width", 4, QByteArray(4, '\0')},
        {"width beyond the bound", 4, QByteArray("\0\0\x01\0", 4)},
        {"zero height", 8, QByteArray(4, '\0')},
        {"two planes", 12, QByteArray("\x02\0", 2)},
        {"3 bits", 14, QByteArray("\x03\0", 2)},
        {"embedded JPEG", 16, QByteArray("\x04\0\0\0", 4)},
        {"more colours than 24 bits use", 32, QByteArray("\x01\x01\0\0", 4)},
        {"cut inside the header", 39, QByteArray()},
    };
    for (const auto& c : cases) {
        QByteArray bytes = dib;
        if (c.bytes.isEmpty())
            bytes.truncate(c.offset);
        else
            bytes.replace(c.offset, c.bytes.size(), c.bytes);
        Picture picture;
        EXPECT_EQ(detectFormat(bytesOf(bytes), std::size_t(bytes.size())), ImageFormat::Unknown)
            << c.what;
        EXPECT_EQ(decodeMemory(bytesOf(bytes), std::size_t(bytes.size()), picture),
                  Status::UnknownImageFormat)
            << c.what;
    }
    // Text after four bytes that read as the header's size is no header.
    const QByteArray text = QByteArray("(\0\0\0", 4) + "this is a note, not a picture at all";
    EXPECT_EQ(detectFormat(bytesOf(text), std::size_t(text.size())), ImageFormat::Unknown);
}

} // namespace
} // namespace pix::imaging
