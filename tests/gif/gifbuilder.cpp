#include "gif/gifbuilder.h"

#include <algorithm>

namespace pix::imaging::test {
namespace {

void putWord(QByteArray& out, int value) {
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
}

// A colour table padded to a power of two; returns the size bits of the packed field.
int putColourTable(QByteArray& out, const std::vector<QRgb>& colours) {
    int bits = 0;
    while ((2 << bits) < int(colours.size()))
        ++bits;
    for (int i = 0; i < (2 << bits); ++i) {
        const QRgb c = i < int(colours.size()) ? colours[std::size_t(i)] : 0;
        out.append(char(qRed(c)));
        out.append(char(qGreen(c)));
        out.append(char(qBlue(c)));
    }
    return bits;
}

// LZW data that never grows the code table: a clear code comes before the table would need a
// wider code, so every code is a literal index of the same width.
QByteArray uncompressedLzw(const std::vector<std::uint8_t>& indices, int codeSize) {
    const int clear = 1 << codeSize, width = codeSize + 1;
    const int runLimit = (1 << width) - clear - 3;
    std::vector<int> codes{clear};
    int run = 0;
    for (const std::uint8_t index : indices) {
        if (run++ == runLimit) {
            codes.push_back(clear);
            run = 1;
        }
        codes.push_back(index);
    }
    codes.push_back(clear + 1);
    QByteArray packed;
    std::uint32_t bits = 0;
    int count = 0;
    for (const int code : codes) {
        bits |= std::uint32_t(code) << count;
        for (count += width; count >= 8; count -= 8, bits >>= 8)
            packed.append(char(bits & 0xFF));
    }
    if (count > 0)
        packed.append(char(bits & 0xFF));
    QByteArray out(1, char(codeSize));
    for (int at = 0; at < packed.size(); at += 255) {
        const QByteArray block = packed.mid(at, 255);
        out.append(char(block.size()));
        out.append(block);
    }
    out.append('\0');
    return out;
}

} // namespace

GifBuilder::GifBuilder(int screenWidth, int screenHeight, std::vector<QRgb> globalColours) {
    bytes_ = "GIF89a";
    putWord(bytes_, screenWidth);
    putWord(bytes_, screenHeight);
    QByteArray table;
    const int bits = globalColours.empty() ? 0 : putColourTable(table, globalColours);
    bytes_.append(char((globalColours.empty() ? 0x70 : 0xF0) | bits));
    bytes_.append("\0\0", 2);
    bytes_.append(table);
}

GifBuilder& GifBuilder::frame(const GifFrame& frame) {
    if (frame.transparentIndex >= 0) {
        bytes_.append("\x21\xF9\x04\x01\x00\x00", 6);
        bytes_.append(char(frame.transparentIndex));
        bytes_.append('\0');
    }
    bytes_.append(',');
    putWord(bytes_, frame.left);
    putWord(bytes_, frame.top);
    putWord(bytes_, frame.width);
    putWord(bytes_, frame.height);
    QByteArray table;
    const int bits = frame.localColours.empty() ? 0 : putColourTable(table, frame.localColours);
    bytes_.append(char(frame.localColours.empty() ? 0 : 0x80 | bits));
    bytes_.append(table);
    const std::uint8_t largest =
        frame.indices.empty() ? 0 : *std::max_element(frame.indices.begin(), frame.indices.end());
    int codeSize = 2;
    while ((1 << codeSize) <= largest)
        ++codeSize;
    bytes_.append(uncompressedLzw(frame.indices, codeSize));
    return *this;
}

QByteArray GifBuilder::finish() {
    return bytes_ + ';';
}

} // namespace pix::imaging::test
