// Shared helpers of the image browser tests: real picture files in a sandbox folder.
#pragma once

#include <QColor>
#include <QDateTime>
#include <QString>
#include <functional>

namespace pix::test {

// Writes a picture of one colour in the format the suffix names (jpg, png, bmp); true on success.
bool writePicture(const QString& path, int width, int height, QColor colour = Qt::red);

// Writes a picture with a left half and a right half of different colours.
bool writeHalves(const QString& path, int width, int height, QColor left, QColor right);

// Writes a text file (not a picture).
bool writeText(const QString& path, const QByteArray& text);

// Sets the file's modification time.
bool setModified(const QString& path, const QDateTime& time);

// Processes events until the condition holds or the time runs out; answers the condition.
bool waitUntil(const std::function<bool()>& condition, int msecs = 10000);

// True when the colour is within tolerance of the expected one, channel by channel.
bool near(QRgb pixel, QColor expected, int tolerance = 40);

} // namespace pix::test
