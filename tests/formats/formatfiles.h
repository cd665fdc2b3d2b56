// The HEIF, AVIF, WebP and JPEG XL test files (tests/data/formats) and the pictures Debian's own
// decoders made of them, read for comparison.
#pragma once

#include "platform/imaging/decoder.h"

#include <QImage>
#include <QString>

namespace pix::imaging::test {

QString formatFile(const QString& name);
QByteArray readFormatFile(const QString& name);

Status decodeBytes(const QByteArray& bytes, Picture& out, const DecodeHint& hint = {});

// How a reference PNG holds its samples.
enum class Depth {
    Eight,   // 8 bits
    Shifted, // 16 bits holding a 10-bit value moved to the top (heif-convert)
    Sixteen, // 16 bits over the whole range (avifdec -d 16, djxl --bits_per_sample=16)
};

// The reference as the decoders' pixels would be: 32 bits, premultiplied, each deep sample
// rounded to the nearest of 256 levels; turned clockwise by quarter turns.
QImage referencePicture(const QString& name, Depth depth, int quarterTurns);

// How far two pictures of the same size are apart: the largest difference of a channel, the
// share of channel samples that differ at all, and the mean difference of a channel.
struct Difference {
    int largest = 0;
    double share = 0;
    double mean = 0;
};
Difference difference(const QImage& a, const QImage& b);

} // namespace pix::imaging::test
