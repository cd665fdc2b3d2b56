// Fonts and character sets of the text records.
#pragma once

#include <QByteArray>
#include <QFont>
#include <QString>

class QPaintDevice;

namespace pix::wmf {

struct Font;

// The record's bytes as text, decoded by the code page of the font's character set.
QString decodeText(const QByteArray& bytes, int charset);

// A Qt font for the logical font at the given scale (target pixels per logical unit on each
// axis) on the device (null: a 96 dpi device). Negative heights are character heights,
// positive ones cell heights (ascent plus descent), zero a default size.
QFont deviceFont(const Font& font, double scaleX, double scaleY, const QPaintDevice* device);

} // namespace pix::wmf
