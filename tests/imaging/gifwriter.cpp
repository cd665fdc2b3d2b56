#include "imaging/gifwriter.h"

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

// The indices in the order an interlaced frame stores its rows.
std::vector<std::uint16_t> storedOrder(const GifImage& image) {
    if (!image.interlaced)
        return image.indices;
    std::vector<std::uint16_t> out;
    const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        for (int y = start[pass]; y < image.height; y += step[pass]) {
            const auto row = image.indices.begin() + std::ptrdiff_t(y) * image.width;
            out.insert(out.end(), row, row + image.width);
        }
    }
    return out;
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

QByteArray writeGif(const GifImage& image) {
    QByteArray out = "GIF89a";
    putWord(out, image.screenWidth);
    putWord(out, image.screenHeight);
    int bits = 0;
    while ((2 << bits) < int(image.colours.size()))
        ++bits;
    out.append(char(image.colours.empty() ? 0x70 : 0xF0 | bits));
    out.append("\0\0", 2);
    for (int i = 0; !image.colours.empty() && i < (2 << bits); ++i) {
        const QRgb c = i < int(image.colours.size()) ? image.colours[std::size_t(i)] : 0;
        out.append(char(qRed(c)));
        out.append(char(qGreen(c)));
        out.append(char(qBlue(c)));
    }
    if (image.transparentIndex >= 0) {
        out.append("\x21\xF9\x04\x01\x00\x00", 6);
        out.append(char(image.transparentIndex));
        out.append('\0');
    }
    out.append(',');
    putWord(out, image.left);
    putWord(out, image.top);
    putWord(out, image.width);
    putWord(out, image.height);
    out.append(char(image.interlaced ? 0x40 : 0));
    out.append(char(image.codeSizeByte >= 0 ? image.codeSizeByte : image.lzw.minimumCodeSize));
    out.append(gifLzwBlocks(storedOrder(image), image.lzw));
    return out + ';';
}

} // namespace pix::imaging::test
