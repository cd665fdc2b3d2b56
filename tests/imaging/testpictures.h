// Small pictures with known content for the imaging tests.
#pragma once

#include "platform/imaging/decoder.h"
#include "platform/imaging/picture.h"
#include "platform/imaging/transform.h"

#include <QByteArray>
#include <QColor>
#include <cstdint>

namespace pix::imaging::test {

// Four coloured quadrants: red top-left, green top-right, blue bottom-left, yellow
// bottom-right. Any turn or flip moves the colours to a distinct arrangement.
Picture quadrants(int width, int height);

// The colour at the centre of each quadrant, in the order above.
struct Quadrants {
    QRgb topLeft, topRight, bottomLeft, bottomRight;
};
Quadrants sampleQuadrants(const Picture& picture);

// A picture with an opaque left half and a fully transparent right half, and a half-transparent
// strip in the middle.
Picture halfTransparent(int width, int height);

// A smooth photo-like picture (gradients), opaque.
Picture gradient(int width, int height);

// Decodes, or reads the pixel size of, a file held in memory.
Status decodeBytes(const QByteArray& bytes, Picture& out, const DecodeHint& hint = {});
Status measureBytes(const QByteArray& bytes, QSize& size);

// Encodes with the encoder of the MIME type into memory.
QByteArray encodeToMemory(const Picture& picture, const char* mimeType, int quality = -1);

// Largest difference of any channel between two pictures of the same size (straight alpha).
int maxChannelDifference(const QImage& a, const QImage& b);
// Mean difference of the red, green and blue channels between two pictures of the same size.
double meanColourDifference(const QImage& a, const QImage& b);

// The CRC-32 of PNG chunks, and a big-endian 32-bit value written into bytes, for editing
// PNG headers.
std::uint32_t crc32(const QByteArray& data);
void putBE32(QByteArray& bytes, int at, std::uint32_t value);

constexpr RotateFlipType kAllRotateFlipTypes[] = {
    RotateNoneFlipNone, Rotate90FlipNone, Rotate180FlipNone, Rotate270FlipNone,
    RotateNoneFlipX,    Rotate90FlipX,    Rotate180FlipX,    Rotate270FlipX};

constexpr QRgb kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kYellow = 0xFFFFFF00;

} // namespace pix::imaging::test
