#include "platform/wmf/wmftext.h"

#include "platform/wmf/wmfobjects.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QStringDecoder>
#include <algorithm>
#include <array>
#include <cmath>

namespace pix::wmf {

namespace {

constexpr double DefaultPixelHeight = 12.0;
constexpr double MaxPixelHeight = 16384.0; // larger text would be nothing but a blot anyway

struct CharsetCodec {
    int charset;
    const char* name;
};

constexpr std::array<CharsetCodec, 16> Codecs{{
    {77, "macintosh"},
    {128, "Shift_JIS"},
    {129, "windows-949"},
    {134, "GBK"},
    {136, "Big5"},
    {161, "windows-1253"},
    {162, "windows-1254"},
    {163, "windows-1258"},
    {177, "windows-1255"},
    {178, "windows-1256"},
    {186, "windows-1257"},
    {204, "windows-1251"},
    {222, "windows-874"},
    {238, "windows-1250"},
    {255, "IBM437"},
    {0, "windows-1252"},
}};

constexpr int SymbolCharset = 2;

// Windows-1252 where it differs from Latin-1, for a Qt built without the ICU code pages.
constexpr std::array<char16_t, 32> Cp1252High{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString decodeCp1252(const QByteArray& bytes) {
    QString text;
    text.reserve(bytes.size());
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        text.append(QChar(b >= 0x80 && b < 0xA0 ? Cp1252High[b - 0x80] : char16_t(b)));
    }
    return text;
}

const char* codecName(int charset) {
    for (const CharsetCodec& codec : Codecs)
        if (codec.charset == charset)
            return codec.name;
    return "windows-1252";
}

QFont::StyleHint styleHint(int pitchAndFamily) {
    switch (pitchAndFamily & 0xF0) {
    case 0x10:
        return QFont::Serif;
    case 0x20:
        return QFont::SansSerif;
    case 0x30:
        return QFont::TypeWriter;
    case 0x40:
        return QFont::Cursive;
    case 0x50:
        return QFont::Decorative;
    default:
        return QFont::AnyStyle;
    }
}

void setPixelHeight(QFont& font, double pixels, double dpi) {
    font.setPointSizeF(std::clamp(pixels, 0.5, MaxPixelHeight) * 72.0 / dpi);
}

} // namespace

QString decodeText(const QByteArray& bytes, int charset) {
    if (charset == SymbolCharset)
        return QString::fromLatin1(bytes);
    QStringDecoder decoder(codecName(charset));
    if (!decoder.isValid())
        return decodeCp1252(bytes);
    QString text = decoder.decode(bytes);
    return decoder.hasError() ? decodeCp1252(bytes) : text;
}

QFont deviceFont(const Font& logical, double scaleX, double scaleY, const QPaintDevice* device) {
    const double dpi = device != nullptr ? device->logicalDpiY() : 96.0;
    QFont font;
    if (!logical.face.isEmpty())
        font.setFamily(logical.face);
    font.setStyleHint(styleHint(logical.pitchAndFamily));
    if ((logical.pitchAndFamily & 0x03) == 1)
        font.setFixedPitch(true);
    font.setWeight(logical.weight <= 0 ? QFont::Normal
                                       : QFont::Weight(std::clamp(logical.weight, 100, 900)));
    font.setItalic(logical.italic);
    font.setUnderline(logical.underline);
    font.setStrikeOut(logical.strikeOut);

    const double height = std::abs(double(logical.height)) * scaleY;
    setPixelHeight(font, logical.height == 0 ? DefaultPixelHeight : height, dpi);
    if (logical.height > 0) {
        // A cell height: shrink the em so that ascent plus descent fill the cell.
        const double cell = QFontMetricsF(font, device).height();
        if (cell > 0)
            setPixelHeight(font, height * height / cell, dpi);
    }
    if (logical.width != 0) {
        const double natural = QFontMetricsF(font, device).averageCharWidth();
        const double wanted = std::abs(double(logical.width)) * scaleX;
        if (natural > 0)
            font.setStretch(std::clamp(int(std::lround(100 * wanted / natural)), 1, 4000));
    }
    return font;
}

} // namespace pix::wmf
