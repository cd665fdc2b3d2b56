#include "imaging/testpictures.h"

#include "platform/imaging/encoders.h"

#include <QBuffer>
#include <cstdlib>

namespace pix::imaging::test {

Status decodeBytes(const QByteArray& bytes, Picture& out, const DecodeHint& hint) {
    return decodeMemory(reinterpret_cast<const unsigned char*>(bytes.constData()),
                        std::size_t(bytes.size()), out, hint);
}

Status measureBytes(const QByteArray& bytes, QSize& size) {
    return measureMemory(reinterpret_cast<const unsigned char*>(bytes.constData()),
                         std::size_t(bytes.size()), size);
}

Picture quadrants(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2, bottom = y >= height / 2;
            image.setPixel(x, y, bottom ? (right ? kYellow : kBlue) : (right ? kGreen : kRed));
        }
    }
    return Picture(image);
}

Quadrants sampleQuadrants(const Picture& picture) {
    const QImage image = picture.toStraightArgb();
    const int w = image.width(), h = image.height();
    return {image.pixel(w / 4, h / 4), image.pixel(3 * w / 4, h / 4), image.pixel(w / 4, 3 * h / 4),
            image.pixel(3 * w / 4, 3 * h / 4)};
}

Picture halfTransparent(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            QRgb value = x < width / 2 ? qRgba(200, 40, 10, 255) : qRgba(0, 0, 0, 0);
            if (x == width / 2)
                value = qRgba(10, 40, 200, 128);
            image.setPixel(x, y, value);
        }
    }
    return Picture(image);
}

Picture gradient(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y,
                           qRgb(255 * x / width, 255 * y / height, 128 + 127 * (x - y) / width));
    }
    return Picture(image);
}

QByteArray encodeToMemory(const Picture& picture, const char* mimeType, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const auto encoder = findEncoderByMimeType(QString::fromLatin1(mimeType));
    const auto q = quality < 0 ? std::nullopt : std::optional<int>(quality);
    if (encodePicture(picture, buffer, encoder, q) != Status::Ok)
        return {};
    return bytes;
}

int maxChannelDifference(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    if (x.size() != y.size())
        return 256;
    int worst = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row), q = y.pixel(col, row);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
        }
    }
    return worst;
}

double meanColourDifference(const QImage& a, const QImage& b) {
    double total = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            total += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                     std::abs(qBlue(p) - qBlue(q));
        }
    return total / (3.0 * a.width() * a.height());
}

std::uint32_t crc32(const QByteArray& data) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char ch : data) {
        crc ^= std::uint8_t(ch);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void putBE32(QByteArray& bytes, int at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = char(value >> (24 - 8 * i));
}

} // namespace pix::imaging::test
