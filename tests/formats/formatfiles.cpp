#include "formats/formatfiles.h"

#include <QFile>
#include <QTransform>
#include <algorithm>
#include <cstdlib>

namespace pix::imaging::test {

QString formatFile(const QString& name) {
    return QStringLiteral(PIXOVIA_TEST_DATA "/formats/") + name;
}

QByteArray readFormatFile(const QString& name) {
    QFile file(formatFile(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

Status decodeBytes(const QByteArray& bytes, Picture& out, const DecodeHint& hint) {
    return decodeMemory(reinterpret_cast<const unsigned char*>(bytes.constData()),
                        std::size_t(bytes.size()), out, hint);
}

QImage referencePicture(const QString& name, Depth depth, int quarterTurns) {
    QImage image(formatFile(name));
    if (depth != Depth::Eight) {
        const QImage deep = image.convertToFormat(QImage::Format_RGBA64);
        image = QImage(deep.size(), QImage::Format_ARGB32);
        const auto level = [depth](unsigned v) {
            if (depth == Depth::Shifted)
                return int(((v >> 6) * 255 + 511) / 1023);
            return int((v * 255 + 32767) / 65535);
        };
        for (int y = 0; y < deep.height(); ++y) {
            const auto* in = reinterpret_cast<const QRgba64*>(deep.constScanLine(y));
            auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < deep.width(); ++x)
                out[x] = qRgba(level(in[x].red()), level(in[x].green()), level(in[x].blue()),
                               level(in[x].alpha()));
        }
    }
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (quarterTurns % 4 != 0)
        image = image.transformed(QTransform().rotate(90.0 * quarterTurns));
    return image;
}

Difference difference(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    Difference d;
    if (x.size() != y.size())
        return {256, 1.0, 256.0};
    long differing = 0;
    double total = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int column = 0; column < x.width(); ++column) {
            for (int shift = 0; shift < 32; shift += 8) {
                const int delta =
                    std::abs(int((p[column] >> shift) & 0xFF) - int((q[column] >> shift) & 0xFF));
                d.largest = std::max(d.largest, delta);
                differing += delta != 0;
                total += delta;
            }
        }
    }
    d.share = double(differing) / (4.0 * x.width() * x.height());
    d.mean = total / (4.0 * x.width() * x.height());
    return d;
}

} // namespace pix::imaging::test
