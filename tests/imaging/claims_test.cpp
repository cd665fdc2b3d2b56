// Files whose headers claim far more than they hold: a PNG text chunk of gigabytes before the
// pixels, the same PNG inside an icon, a metafile claiming a huge frame. Each is refused, or
// decoded at the size the caller needs, without the memory it claims.
#include "imaging/memorywatch.h"
#include "imaging/testpictures.h"
#include "platform/imaging/decoder.h"
#include "platform/imaging/transform.h"

#include <QFile>
#include <QtEndian>
#include <gtest/gtest.h>

namespace pix::imaging {
namespace {

using test::decodeBytes;
using test::measureBytes;

// A small PNG with a text chunk right after the header, claiming 2 GiB - 1 bytes.
QByteArray pngWithHugeTextChunk() {
    QByteArray png = test::encodeToMemory(test::quadrants(16, 12), "image/png");
    const QByteArray text("\x7F\xFF\xFF\xFFtEXtComment\0xx", 18);
    png.insert(8 + 25, text); // after the signature and IHDR
    return png;
}

// An icon directory with one 32 x 32 entry holding the PNG.
QByteArray iconHolding(const QByteArray& png) {
    QByteArray ico("\0\0\1\0\1\0", 6);
    QByteArray entry(16, '\0');
    entry[0] = 32;
    entry[1] = 32;
    qToLittleEndian<quint16>(1, entry.data() + 4);
    qToLittleEndian<quint16>(32, entry.data() + 6);
    qToLittleEndian<quint32>(quint32(png.size()), entry.data() + 8);
    qToLittleEndian<quint32>(6 + 16, entry.data() + 12);
    return ico + entry + png;
}

TEST(Claims, APngTextChunkBeyondTheFileIsRefusedWhenMeasuredAndDecoded) {
    for (const QByteArray& file : {pngWithHugeTextChunk(), iconHolding(pngWithHugeTextChunk())}) {
        SCOPED_TRACE(file.left(8).toHex().toStdString());
        const test::PeakGrowth growth;
        QSize size;
        EXPECT_EQ(measureBytes(file, size), Status::CorruptData);
        Picture picture;
        EXPECT_EQ(decodeBytes(file, picture), Status::CorruptData);
        EXPECT_LT(growth.megabytes(), 40);
    }
}

TEST(Claims, APngWhoseDataCannotFillItsHeaderIsRefusedBeforeAllocating) {
    // 16000 x 16000 (a gigabyte) from a few dozen bytes of compressed data.
    QByteArray png = test::encodeToMemory(test::quadrants(4, 4), "image/png");
    test::putBE32(png, 16, 16000);
    test::putBE32(png, 20, 16000);
    test::putBE32(png, 29, test::crc32(png.mid(12, 17)));
    for (const QByteArray& file : {png, iconHolding(png)}) {
        const test::PeakGrowth growth;
        Picture picture;
        EXPECT_EQ(decodeBytes(file, picture), Status::CorruptData);
        EXPECT_LT(growth.megabytes(), 40);
    }
    QSize size;
    ASSERT_EQ(measureBytes(png, size), Status::Ok); // what the header says, as before
    EXPECT_EQ(size, QSize(16000, 16000));
}

TEST(Claims, APngInsideAnIconIsDecoded) {
    const QByteArray png = test::encodeToMemory(test::quadrants(32, 32), "image/png");
    Picture picture;
    ASSERT_EQ(decodeBytes(iconHolding(png), picture), Status::Ok);
    EXPECT_EQ(test::sampleQuadrants(picture).topLeft, test::kRed);
    QSize size;
    ASSERT_EQ(measureBytes(iconHolding(png), size), Status::Ok);
    EXPECT_EQ(size, QSize(32, 32));
}

void put16(QByteArray& b, std::uint16_t v) {
    b.append(char(v & 0xFF)).append(char(v >> 8));
}

// A placeable metafile whose window is side x side units, painted red on its left half, with a
// bounding box of box x box units (side unless given) at 96 units per inch: box x box pixels.
QByteArray placeableMetafile(std::int16_t side, std::int16_t box = 0) {
    if (box == 0)
        box = side;
    QByteArray records;
    auto record = [&](std::uint16_t function, std::initializer_list<std::uint16_t> words) {
        const auto size = std::uint32_t(3 + words.size());
        put16(records, std::uint16_t(size & 0xFFFF));
        put16(records, std::uint16_t(size >> 16));
        put16(records, function);
        for (std::uint16_t w : words)
            put16(records, w);
    };
    record(0x020B, {0, 0});                                               // SetWindowOrg
    record(0x020C, {std::uint16_t(side), std::uint16_t(side)});           // SetWindowExt
    record(0x02FC, {0 /* solid */, 0x00FF, 0x0000, 0});                   // CreateBrushIndirect red
    record(0x012D, {0});                                                  // SelectObject
    record(0x041B, {std::uint16_t(side), std::uint16_t(side / 2), 0, 0}); // Rectangle
    record(0x0000, {});                                                   // end
    QByteArray wmf;
    put16(wmf, 0xCDD7);
    put16(wmf, 0x9AC6);
    for (std::uint16_t v : {std::uint16_t(0), std::uint16_t(0), std::uint16_t(0),
                            std::uint16_t(box), std::uint16_t(box), std::uint16_t(96)})
        put16(wmf, v);
    put16(wmf, 0);
    put16(wmf, 0);
    put16(wmf, 0); // checksum, not checked
    const auto words = std::uint32_t((18 + records.size()) / 2);
    for (std::uint16_t v : {std::uint16_t(1), std::uint16_t(9), std::uint16_t(0x0300),
                            std::uint16_t(words & 0xFFFF), std::uint16_t(words >> 16),
                            std::uint16_t(1), std::uint16_t(7), std::uint16_t(0), std::uint16_t(0)})
        put16(wmf, v);
    return wmf + records;
}

TEST(Claims, AMetafileIsDrawnAtTheSizeTheCallerNeeds) {
    const QByteArray wmf = placeableMetafile(16384);
    QSize size;
    ASSERT_EQ(measureBytes(wmf, size), Status::Ok);
    EXPECT_EQ(size, QSize(16384, 16384));
    const test::PeakGrowth growth;
    Picture picture;
    ASSERT_EQ(decodeBytes(wmf, picture, {QSize(300, 120), Rotate90FlipNone}), Status::Ok);
    EXPECT_LT(growth.megabytes(), 40); // not the 1 GiB of its own size
    // Covers the request, proportions kept, then turned.
    ASSERT_EQ(picture.image().size(), QSize(300, 300));
    EXPECT_EQ(picture.image().pixel(150, 20), test::kRed); // the left half, turned to the top
    EXPECT_EQ(qAlpha(picture.image().pixel(150, 280)), 0); // nothing drawn on the right half
}

TEST(Claims, APlaceableMetafileIsFramedByItsBoundingBoxNotItsWindow) {
    // The window is 200 units, the bounding box 400: the drawing fills the top-left quarter.
    const QByteArray wmf = placeableMetafile(200, 400);
    Picture picture;
    ASSERT_EQ(decodeBytes(wmf, picture), Status::Ok);
    ASSERT_EQ(picture.image().size(), QSize(400, 400));
    EXPECT_EQ(picture.image().pixel(40, 40), test::kRed);
    EXPECT_EQ(picture.image().pixel(90, 190), test::kRed);
    EXPECT_EQ(qAlpha(picture.image().pixel(150, 100)), 0); // the window's right half
    EXPECT_EQ(qAlpha(picture.image().pixel(40, 300)), 0);  // below the window
    EXPECT_EQ(qAlpha(picture.image().pixel(300, 40)), 0);  // right of the window
}

TEST(Claims, AMetafileDrawnSmallerLooksLikeTheWholeOneScaled) {
    QFile file(QString(PIXOVIA_TEST_DATA) + "/wmf/libreoffice-shapes.wmf");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray wmf = file.readAll();
    Picture whole, small;
    ASSERT_EQ(decodeBytes(wmf, whole), Status::Ok);
    ASSERT_EQ(whole.image().size(), QSize(189, 89));
    const QSize half(95, 45); // the width asked for, the height that keeps the proportions
    ASSERT_EQ(decodeBytes(wmf, small, {QSize(95, 1)}), Status::Ok);
    ASSERT_EQ(small.image().size(), half);
    Picture scaled;
    ASSERT_EQ(resizePicture(whole, half.width(), half.height(), scaled), Status::Ok);
    // Edges are drawn anew rather than averaged, so allow a little per pixel but not a shift.
    long total = 0;
    for (int y = 0; y < half.height(); ++y)
        for (int x = 0; x < half.width(); ++x) {
            const QRgb a = small.image().pixel(x, y), b = scaled.image().pixel(x, y);
            total += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                     std::abs(qBlue(a) - qBlue(b)) + std::abs(qAlpha(a) - qAlpha(b));
        }
    EXPECT_LT(double(total) / (half.width() * half.height() * 4), 8.0);
}

TEST(Claims, AJpegWhoseScanEndsEarlyIsRefusedWithOrWithoutItsEndMarker) {
    const QByteArray whole = test::encodeToMemory(test::gradient(160, 120), "image/jpeg", 90);
    const QByteArray cut = whole.left(whole.size() / 3);
    for (const QByteArray& file : {cut, cut + QByteArray("\xFF\xD9", 2)}) {
        Picture picture;
        EXPECT_EQ(decodeBytes(file, picture), Status::CorruptData) << file.size();
        EXPECT_TRUE(picture.isNull());
    }
}

TEST(Claims, AJpegFrameLargerThanItsDataCanHoldIsRefusedBeforeAllocating) {
    // A 16 x 16 picture whose frame header claims 16000 x 16000: a gigabyte of pixels from a
    // file of a few hundred bytes.
    QByteArray jpeg = test::encodeToMemory(test::gradient(16, 16), "image/jpeg", 80);
    const int sof = int(jpeg.indexOf(QByteArray("\xFF\xC0", 2)));
    ASSERT_GT(sof, 0);
    qToBigEndian<quint16>(16000, jpeg.data() + sof + 5);
    qToBigEndian<quint16>(16000, jpeg.data() + sof + 7);
    const test::PeakGrowth growth;
    Picture picture;
    EXPECT_EQ(decodeBytes(jpeg, picture), Status::CorruptData);
    EXPECT_LT(growth.megabytes(), 40);
}

TEST(DecodeMemory, EstimatedFromTheHeadersForTheSizeTheDecoderWillGive) {
    const auto estimate = [](const QByteArray& file, const DecodeHint& hint) {
        std::uint64_t bytes = 0;
        EXPECT_EQ(estimateDecodeMemory(reinterpret_cast<const unsigned char*>(file.constData()),
                                       std::size_t(file.size()), hint, bytes),
                  Status::Ok);
        return bytes;
    };
    const QByteArray jpeg = test::encodeToMemory(test::gradient(800, 600), "image/jpeg", 85);
    EXPECT_EQ(estimate(jpeg, {}), 800u * 600 * 4);
    EXPECT_EQ(estimate(jpeg, {QSize(100, 75), Rotate90FlipNone}), 100u * 75 * 4); // 1/8 scale
    const QByteArray png = test::encodeToMemory(test::quadrants(40, 20), "image/png");
    EXPECT_GE(estimate(png, {QSize(), Rotate90FlipNone}), 2u * 40 * 20 * 4); // and the turn
    EXPECT_EQ(estimate(placeableMetafile(16384), {QSize(300, 120)}), 300u * 300 * 4);
    // Only the headers are read: a picture whose pixels are cut off is estimated all the same.
    EXPECT_EQ(estimate(jpeg.left(jpeg.size() / 2), {}), 800u * 600 * 4);
    std::uint64_t bytes = 0;
    EXPECT_EQ(estimateDecodeMemory(reinterpret_cast<const unsigned char*>("text"), 4, {}, bytes),
              Status::UnknownImageFormat);
}

} // namespace
} // namespace pix::imaging
