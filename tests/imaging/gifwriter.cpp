#include "imaging/gifwriter.h"

#include "platform/imaging/gifdecoder.h"

#include <algorithm>
#include <map>
#include <utility>

namespace pix::imaging::test {
namespace {

constexpr int kTableSize = 4096;

class BitPacker {
public:
    void put(int code, int width) {
        bits_ |= std::uint32_t(code) << count_;
        for (count_ += width; count_ >= 8; count_ -= 8, bits_ >>= 8)
            bytes_.append(char(bits_ & 0xFF));
    }
    QByteArray finish() {
        if (count_ > 0)
            bytes_.append(char(bits_ & 0xFF));
        return bytes_;
    }

private:
    QByteArray bytes_;
    std::uint32_t bits_ = 0;
    int count_ = 0;
};

QByteArray inSubBlocks(const QByteArray& packed) {
    QByteArray out;
    for (int at = 0; at < packed.size(); at += 255) {
        const QByteArray block = packed.mid(at, 255);
        out.append(char(block.size()));
        out.append(block);
    }
    out.append('\0');
    return out;
}

void putWord(QByteArray& out, int value) {
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
}

// A colour map padded to a power of two; returns the size bits of the packed field.
int putColourMap(QByteArray& out, const std::vector<QRgb>& colours) {
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

// The indices in the order an interlaced frame stores its rows.
std::vector<std::uint16_t> storedOrder(const GifFrame& frame) {
    if (!frame.interlaced)
        return frame.indices;
    std::vector<std::uint16_t> out;
    const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        for (int y = start[pass]; y < frame.height; y += step[pass]) {
            const auto row = frame.indices.begin() + std::ptrdiff_t(y) * frame.width;
            out.insert(out.end(), row, row + frame.width);
        }
    }
    return out;
}

// The smallest code size that holds every index of the frame, at least 2.
int fittingCodeSize(const std::vector<std::uint16_t>& indices) {
    const int largest = indices.empty() ? 0 : *std::max_element(indices.begin(), indices.end());
    int codeSize = 2;
    while ((1 << codeSize) <= largest)
        ++codeSize;
    return codeSize;
}

} // namespace

QByteArray gifLzwBlocks(const std::vector<std::uint16_t>& indices, const GifLzwOptions& options) {
    const int clear = 1 << options.minimumCodeSize;
    int width = options.minimumCodeSize + 1, next = clear + 2;
    std::map<std::pair<int, int>, int> table;
    BitPacker packer;
    packer.put(clear, width);
    int prefix = -1;
    for (const std::uint16_t index : indices) {
        if (prefix < 0) {
            prefix = index;
            continue;
        }
        if (const auto found = table.find({prefix, index}); found != table.end()) {
            prefix = found->second;
            continue;
        }
        packer.put(prefix, width);
        // The decoder makes each entry one code later than the encoder, and widens its codes
        // once its next free entry needs the wider code.
        const bool widen = next >= (1 << width) && width < 12;
        if (next < kTableSize)
            table[{prefix, index}] = next++;
        if (widen)
            ++width;
        if (next == kTableSize && options.clearWhenFull) {
            packer.put(clear, width);
            table.clear();
            width = options.minimumCodeSize + 1;
            next = clear + 2;
        }
        prefix = index;
    }
    if (prefix >= 0) {
        packer.put(prefix, width);
        if (next >= (1 << width) && width < 12)
            ++width;
    }
    packer.put(clear + 1, width);
    return inSubBlocks(packer.finish());
}

GifBuilder::GifBuilder(int screenWidth, int screenHeight, const std::vector<QRgb>& globalColours)
    : bytes_("GIF89a") {
    putWord(bytes_, screenWidth);
    putWord(bytes_, screenHeight);
    QByteArray map;
    const int bits = globalColours.empty() ? 0 : putColourMap(map, globalColours);
    bytes_.append(char(globalColours.empty() ? 0x70 : 0xF0 | bits));
    bytes_.append("\0\0", 2);
    bytes_.append(map);
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
    QByteArray map;
    const int bits = frame.localColours.empty() ? 0 : putColourMap(map, frame.localColours);
    bytes_.append(
        char((frame.localColours.empty() ? 0 : 0x80 | bits) | (frame.interlaced ? 0x40 : 0)));
    bytes_.append(map);
    GifLzwOptions lzw = frame.lzw;
    if (lzw.minimumCodeSize <= 0)
        lzw.minimumCodeSize = fittingCodeSize(frame.indices);
    bytes_.append(char(frame.codeSizeByte >= 0 ? frame.codeSizeByte : lzw.minimumCodeSize));
    bytes_.append(gifLzwBlocks(storedOrder(frame), lzw));
    return *this;
}

QByteArray GifBuilder::finish() const {
    return bytes_ + ';';
}

QByteArray writeGif(const GifImage& image) {
    return GifBuilder(image.screenWidth, image.screenHeight, image.colours)
        .frame({image.left,
                image.top,
                image.width,
                image.height,
                image.indices,
                {},
                image.transparentIndex,
                image.interlaced,
                image.lzw,
                image.codeSizeByte})
        .finish();
}

Status decodeGifBytes(const QByteArray& bytes, Picture& out) {
    return decodeGif(reinterpret_cast<const unsigned char*>(bytes.constData()),
                     std::size_t(bytes.size()), out);
}

Status measureGifBytes(const QByteArray& bytes, QSize& size) {
    return measureGif(reinterpret_cast<const unsigned char*>(bytes.constData()),
                      std::size_t(bytes.size()), size);
}

} // namespace pix::imaging::test
