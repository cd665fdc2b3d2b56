// Helpers of the metafile player tests: loading the test files, walking their records and
// editing them, and looking at rendered pixels.
#pragma once

#include "platform/wmf/wmfplayer.h"

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace wmftest {

using pix::wmf::WmfResult;

QByteArray loadWmf(const QString& name);

// The records after the headers: byte offset, size in words, function.
struct RecordAt {
    int offset = 0;
    int words = 0;
    int function = 0;
};
std::vector<RecordAt> recordsOf(const QByteArray& data);
// The first record with that function; fails the test when there is none.
RecordAt findRecord(const QByteArray& data, int function, int occurrence = 0);

void setU16(QByteArray& data, int offset, std::uint16_t value);
void setU32(QByteArray& data, int offset, std::uint32_t value);
// The bytes of one record with the given parameter words, to splice into a file.
QByteArray recordBytes(std::uint16_t function, std::initializer_list<std::uint16_t> words);
QByteArray recordBytes(std::uint16_t function, const std::vector<std::uint16_t>& words);
// A whole placeable metafile: its bounding box (0, 0, width, height) in units of which
// `unitsPerInch` make an inch (96: one unit a pixel), these records, a solid red brush selected
// before them and the end record after.
QByteArray placeableMetafile(QSize units, int unitsPerInch, const QByteArray& records);
// Drawn from corner to corner and back across a square of that side, `points` points long.
QByteArray starPolygon(int points, int side);
QByteArray insertedAt(const QByteArray& data, int offset, const QByteArray& bytes);

WmfResult measure(const QByteArray& data, QSize& size);
// Renders onto a transparent target of the given size; the result goes to `result`.
QImage render(const QByteArray& data, QSize size, WmfResult* result = nullptr);

// The colour at a point given as fractions of the width and height, composed over white.
QColor colorAt(const QImage& image, double fx, double fy);
bool isTransparentAt(const QImage& image, double fx, double fy);
bool near(QColor actual, QColor expected, int tolerance = 40);
// The bounding box of the pixels close to a colour (over white), empty when there are none.
QRect boxOf(const QImage& image, QColor color, int tolerance = 60);
// Mean absolute difference of the colour channels, 0 to 1, after composing over white.
double meanDifference(const QImage& a, const QImage& b);

} // namespace wmftest
