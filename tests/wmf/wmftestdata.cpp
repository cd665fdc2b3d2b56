#include "wmf/wmftestdata.h"

#include <QFile>
#include <QPainter>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <numbers>

namespace wmftest {

namespace {

int le16(const QByteArray& d, int at) {
    return static_cast<unsigned char>(d[at]) | (static_cast<unsigned char>(d[at + 1]) << 8);
}

QImage overWhite(const QImage& image) {
    QImage out(image.size(), QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter painter(&out);
    painter.drawImage(0, 0, image);
    return out;
}

} // namespace

QByteArray loadWmf(const QString& name) {
    QFile file(QStringLiteral(PIXOVIA_TEST_DATA "/wmf/") + name);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
    return file.readAll();
}

std::vector<RecordAt> recordsOf(const QByteArray& data) {
    std::vector<RecordAt> records;
    int offset = (data.startsWith("\xD7\xCD\xC6\x9A") ? 22 : 0) + 18;
    while (offset + 6 <= data.size()) {
        const int words = le16(data, offset) | (le16(data, offset + 2) << 16);
        const int function = le16(data, offset + 4);
        records.push_back({offset, words, function});
        if (function == 0 || words < 3)
            break;
        offset += 2 * words;
    }
    return records;
}

RecordAt findRecord(const QByteArray& data, int function, int occurrence) {
    for (const RecordAt& record : recordsOf(data))
        if (record.function == function && occurrence-- == 0)
            return record;
    ADD_FAILURE() << "no record " << std::hex << function;
    return {};
}

void setU16(QByteArray& data, int offset, std::uint16_t value) {
    data[offset] = char(value & 0xFF);
    data[offset + 1] = char(value >> 8);
}

void setU32(QByteArray& data, int offset, std::uint32_t value) {
    setU16(data, offset, std::uint16_t(value & 0xFFFF));
    setU16(data, offset + 2, std::uint16_t(value >> 16));
}

QByteArray recordBytes(std::uint16_t function, std::initializer_list<std::uint16_t> words) {
    QByteArray bytes(6 + 2 * int(words.size()), '\0');
    setU32(bytes, 0, std::uint32_t(3 + words.size()));
    setU16(bytes, 4, function);
    int at = 6;
    for (std::uint16_t word : words) {
        setU16(bytes, at, word);
        at += 2;
    }
    return bytes;
}

QByteArray recordBytes(std::uint16_t function, const std::vector<std::uint16_t>& words) {
    QByteArray bytes = recordBytes(function, {});
    setU32(bytes, 0, std::uint32_t(3 + words.size()));
    for (std::uint16_t word : words) {
        bytes += char(word & 0xFF);
        bytes += char(word >> 8);
    }
    return bytes;
}

QByteArray placeableMetafile(QSize units, int unitsPerInch, const QByteArray& records) {
    const QByteArray body = recordBytes(0x02FC, {0, 0x00FF, 0x0000, 0}) // a solid red brush
                            + recordBytes(0x012D, {0})                  // selected
                            + records + recordBytes(0x0000, {});
    QByteArray file(22 + 18, '\0');
    setU32(file, 0, 0x9AC6CDD7);
    setU16(file, 10, std::uint16_t(units.width()));
    setU16(file, 12, std::uint16_t(units.height()));
    setU16(file, 14, std::uint16_t(unitsPerInch));
    std::uint16_t checksum = 0;
    for (int at = 0; at < 20; at += 2)
        checksum ^= std::uint16_t(std::uint8_t(file[at]) | std::uint8_t(file[at + 1]) << 8);
    setU16(file, 20, checksum);
    setU16(file, 22, 1);      // in memory
    setU16(file, 24, 9);      // header words
    setU16(file, 26, 0x0300); // version
    setU32(file, 28, std::uint32_t((18 + body.size()) / 2));
    setU16(file, 32, 1); // objects
    setU32(file, 34, 0x7FFF);
    return file + body;
}

QByteArray starPolygon(int points, int side) {
    std::vector<std::uint16_t> words{std::uint16_t(points)};
    for (int i = 0; i < points; ++i) {
        const double angle = 2 * std::numbers::pi * double(i) * (points / 2 - 1) / points;
        words.push_back(std::uint16_t(std::lround(side / 2.0 * (1 + 0.99 * std::cos(angle)))));
        words.push_back(std::uint16_t(std::lround(side / 2.0 * (1 + 0.99 * std::sin(angle)))));
    }
    return recordBytes(0x0324, words);
}

QByteArray insertedAt(const QByteArray& data, int offset, const QByteArray& bytes) {
    QByteArray out = data;
    out.insert(offset, bytes);
    return out;
}

WmfResult measure(const QByteArray& data, QSize& size) {
    return pix::wmf::measureWmf(reinterpret_cast<const unsigned char*>(data.constData()),
                                std::size_t(data.size()), size);
}

QImage render(const QByteArray& data, QSize size, WmfResult* result) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const WmfResult r = pix::wmf::renderWmf(
        reinterpret_cast<const unsigned char*>(data.constData()), std::size_t(data.size()), image);
    if (result != nullptr)
        *result = r;
    return image;
}

QColor colorAt(const QImage& image, double fx, double fy) {
    const QPoint at(int(fx * image.width()), int(fy * image.height()));
    return overWhite(image.copy(QRect(at, QSize(1, 1)))).pixelColor(0, 0);
}

bool isTransparentAt(const QImage& image, double fx, double fy) {
    return image.pixelColor(int(fx * image.width()), int(fy * image.height())).alpha() == 0;
}

bool near(QColor actual, QColor expected, int tolerance) {
    return std::abs(actual.red() - expected.red()) <= tolerance &&
           std::abs(actual.green() - expected.green()) <= tolerance &&
           std::abs(actual.blue() - expected.blue()) <= tolerance;
}

QRect boxOf(const QImage& image, QColor color, int tolerance) {
    const QImage flat = overWhite(image);
    QRect box;
    for (int y = 0; y < flat.height(); ++y)
        for (int x = 0; x < flat.width(); ++x)
            if (near(flat.pixelColor(x, y), color, tolerance))
                box |= QRect(x, y, 1, 1);
    return box;
}

double meanDifference(const QImage& a, const QImage& b) {
    const QImage fa = overWhite(a), fb = overWhite(b.convertToFormat(QImage::Format_ARGB32));
    if (fa.size() != fb.size())
        return 1.0;
    double sum = 0;
    for (int y = 0; y < fa.height(); ++y)
        for (int x = 0; x < fa.width(); ++x) {
            const QColor p = fa.pixelColor(x, y), q = fb.pixelColor(x, y);
            sum += std::abs(p.red() - q.red()) + std::abs(p.green() - q.green()) +
                   std::abs(p.blue() - q.blue());
        }
    return sum / (3.0 * 255.0 * fa.width() * fa.height());
}

} // namespace wmftest
