// The BMP decoder against the corpus in tests/data/bmp (each file beside its reference PNG), and
// against truncated and hostile files.
#include "imaging/memorywatch.h"
#include "platform/imaging/bmpdecoder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace pix::imaging {
namespace {

const QString kCorpus = QStringLiteral(PIXOVIA_TEST_DATA "/bmp/");

QByteArray readCorpus(const QString& name) {
    QFile file(kCorpus + name + ".bmp");
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

Status decode(const QByteArray& bytes, Picture& out) {
    return decodeBmp(reinterpret_cast<const unsigned char*>(bytes.constData()),
                     std::size_t(bytes.size()), out);
}

Status decode(const QByteArray& bytes) {
    Picture picture;
    return decode(bytes, picture);
}

Status measure(const QByteArray& bytes, QSize& size) {
    return measureBmp(reinterpret_cast<const unsigned char*>(bytes.constData()),
                      std::size_t(bytes.size()), size);
}

void put16(QByteArray& b, int at, unsigned v) {
    b[at] = char(v & 0xFF);
    b[at + 1] = char(v >> 8 & 0xFF);
}

void put32(QByteArray& b, int at, std::uint32_t v) {
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}

std::vector<std::string> corpusNames() {
    std::vector<std::string> names;
    const QStringList files = QDir(kCorpus).entryList({QStringLiteral("*.bmp")}, QDir::Files);
    for (const QString& file : files)
        names.push_back(file.chopped(4).toStdString());
    return names;
}

class Corpus : public ::testing::TestWithParam<std::string> {};

// Colours of translucent pixels come back through premultiplied storage, so they may differ by
// the rounding of that round trip; the colour of a fully transparent pixel is undefined.
TEST_P(Corpus, DecodesToTheReferencePixels) {
    const QString name = QString::fromStdString(GetParam());
    const QImage ref = QImage(kCorpus + name + ".png").convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(ref.isNull()) << "no reference PNG";
    const QByteArray bytes = readCorpus(name);
    Picture picture;
    ASSERT_EQ(decode(bytes, picture), Status::Ok);
    QSize measured;
    ASSERT_EQ(measure(bytes, measured), Status::Ok);
    EXPECT_EQ(measured, ref.size());
    ASSERT_EQ(picture.image().size(), ref.size());
    const QImage got = picture.toStraightArgb();
    bool refHasAlpha = false;
    for (int y = 0; y < ref.height(); ++y) {
        for (int x = 0; x < ref.width(); ++x) {
            const QRgb want = ref.pixel(x, y), have = got.pixel(x, y);
            const int alpha = qAlpha(want);
            refHasAlpha |= alpha != 255;
            ASSERT_EQ(qAlpha(have), alpha) << "at " << x << "," << y;
            const int slack = alpha == 255 ? 0 : 255 / std::max(alpha, 1) + 1;
            if (alpha == 0)
                continue;
            ASSERT_TRUE(std::abs(qRed(have) - qRed(want)) <= slack &&
                        std::abs(qGreen(have) - qGreen(want)) <= slack &&
                        std::abs(qBlue(have) - qBlue(want)) <= slack)
                << "at " << x << "," << y << std::hex << ": " << have << " for " << want;
        }
    }
    EXPECT_EQ(picture.hasAlpha(), refHasAlpha) << "opaque pictures are RGB32";
}

INSTANTIATE_TEST_SUITE_P(Bmp, Corpus, ::testing::ValuesIn(corpusNames()), [](const auto& info) {
    std::string name = info.param;
    for (char& c : name)
        c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
});

TEST(BmpCorpus, IsComplete) {
    EXPECT_GE(corpusNames().size(), 40u);
}

// Every cut before the last few bytes loses pixels (the last bytes may be the padding of the
// last row, which a careful decoder does without). A cut run-length file keeps the rows it has
// (bmprle_test.cpp).
TEST(BmpDecoder, TruncatedFilesFail) {
    for (const char* name : {"os2v1-1bit", "v3-4bit", "v3-8bit", "v3-24bit", "v3-16bit-555",
                             "v5-32bit-alpha-bitfields", "v3-32bit-alphabitfields"}) {
        const QByteArray whole = readCorpus(name);
        ASSERT_FALSE(whole.isEmpty()) << name;
        for (qsizetype cut = 0; cut + 3 < whole.size(); ++cut)
            ASSERT_NE(decode(whole.left(cut)), Status::Ok) << name << " cut at " << cut;
    }
}

TEST(BmpDecoder, MeasuresFromTheHeadersAlone) {
    const QByteArray whole = readCorpus("v3-24bit-topdown");
    QSize size;
    EXPECT_EQ(measure(whole.left(14 + 40), size), Status::Ok);
    EXPECT_EQ(size, QSize(7, 5));
    EXPECT_NE(measure(whole.left(14 + 39), size), Status::Ok);
}

TEST(BmpDecoder, FailureLeavesTheOutputAlone) {
    Picture picture;
    ASSERT_EQ(decode(readCorpus("v3-24bit"), picture), Status::Ok);
    QByteArray broken = readCorpus("v3-8bit");
    put16(broken, 28, 3);
    EXPECT_EQ(decode(broken, picture), Status::CorruptData);
    EXPECT_EQ(picture.width(), 7);
}

struct Edit {
    int offset;
    std::uint32_t value;
    int bytes; // 2 or 4; 0 cuts the file at `offset`
};

struct Patch {
    const char* what;
    const char* file;
    std::vector<Edit> edits;
    Status expected;
};

const Patch kPatches[] = {
    {"not a bitmap", "v3-8bit", {{0, 0x4C42, 2}}, Status::UnknownImageFormat},
    {"zero width", "v3-8bit", {{18, 0, 4}}, Status::CorruptData},
    {"negative width", "v3-8bit", {{18, 0xFFFFFFF9, 4}}, Status::CorruptData},
    {"zero height", "v3-8bit", {{22, 0, 4}}, Status::CorruptData},
    {"wide beyond the bound", "v3-8bit", {{18, 70000, 4}}, Status::TooLarge},
    {"too many pixels", "v3-24bit", {{18, 40000, 4}, {22, 40000, 4}}, Status::TooLarge},
    {"most negative height", "v3-24bit", {{22, 0x80000000, 4}}, Status::TooLarge},
    {"allowed size, no data", "v3-24bit", {{18, 16384, 4}, {22, 16384, 4}}, Status::CorruptData},
    {"3 bits", "v3-8bit", {{28, 3, 2}}, Status::CorruptData},
    {"0 bits", "v3-8bit", {{28, 0, 2}}, Status::CorruptData},
    {"64 bits", "v3-24bit", {{28, 64, 2}}, Status::UnknownImageFormat},
    {"unknown compression", "v3-24bit", {{30, 99, 4}}, Status::CorruptData},
    {"embedded PNG", "v3-24bit", {{30, 5, 4}}, Status::UnknownImageFormat},
    {"OS/2 Huffman", "os2v2-64-8bit", {{30, 3, 4}}, Status::UnknownImageFormat},
    {"RLE8 on 4 bits", "v3-rle4", {{30, 1, 4}}, Status::CorruptData},
    {"bit fields on 8 bits", "v3-8bit", {{30, 3, 4}}, Status::CorruptData},
    {"header size 0", "v3-8bit", {{14, 0, 4}}, Status::CorruptData},
    {"header size 13", "v3-8bit", {{14, 13, 4}}, Status::CorruptData},
    {"header beyond the file", "v3-8bit", {{14, 0x7FFFFFFF, 4}}, Status::CorruptData},
    {"more colours than the bit count", "v3-8bit-clrused", {{46, 257, 4}}, Status::CorruptData},
    // 256 entries declared and no usable bfOffBits: the pixels would follow the whole palette.
    {"palette past the end", "v3-8bit-clrused", {{46, 0, 4}, {10, 0, 4}}, Status::CorruptData},
    {"masks cut off", "v3-16bit-565-bitfields", {{60, 0, 0}}, Status::CorruptData},
    {"gapped mask", "v3-16bit-565-bitfields", {{58, 0x07A0, 4}}, Status::CorruptData},
    {"overlapping masks", "v3-16bit-565-bitfields", {{58, 0x0FE0, 4}}, Status::CorruptData},
    {"mask beyond 16 bits", "v3-16bit-565-bitfields", {{62, 0x1001F, 4}}, Status::CorruptData},
};

TEST(BmpDecoder, HostileHeadersFail) {
    for (const Patch& p : kPatches) {
        QByteArray bytes = readCorpus(p.file);
        ASSERT_FALSE(bytes.isEmpty()) << p.what;
        for (const Edit& e : p.edits) {
            if (e.bytes == 2)
                put16(bytes, e.offset, e.value);
            else if (e.bytes == 4)
                put32(bytes, e.offset, e.value);
            else
                bytes.truncate(e.offset);
        }
        EXPECT_EQ(decode(bytes), p.expected) << p.what;
    }
    Picture picture;
    EXPECT_EQ(decodeBmp(nullptr, 0, picture), Status::InvalidParameter);
    EXPECT_EQ(decode(QByteArray("BM")), Status::CorruptData);
    EXPECT_EQ(decode(QByteArray()), Status::UnknownImageFormat);
}

} // namespace
} // namespace pix::imaging
