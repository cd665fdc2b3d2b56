// The entropy-coded data of a JPEG scan as far as the DC needs it: Huffman tables and a bit
// reader that stops at the first marker, so that a scan cut short is noticed, never padded.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace pix::imaging::jpeg {

// A Huffman table in the canonical form of its definition: per code length the largest code and
// the offset from a code to its symbol.
struct HuffmanTable {
    bool defined = false;
    int maxSymbol = 0;
    std::array<int, 17> maxCode{};
    std::array<int, 17> valueOffset{};
    std::array<std::uint8_t, 256> symbols{};
};

// Builds the table from its 16 counts and its symbols. False when the counts overflow the code
// space of their length (as libjpeg refuses such a table) or there are more than 256 symbols.
bool buildHuffmanTable(const unsigned char* counts, const unsigned char* symbols, int total,
                       HuffmanTable& table);

class BitReader {
public:
    BitReader(const unsigned char* data, std::size_t size, std::size_t position)
        : data_(data), size_(size), position_(position) {}

    // The next bits, most significant first; -1 when the entropy data ends (a marker or the end
    // of the data) before them.
    int bits(int count);
    // The next Huffman symbol; -1 when the data ends or the code is not in the table.
    int symbol(const HuffmanTable& table);
    // Drops the bits left of the current byte (the padding before a marker) and expects the
    // restart marker RSTn, after fill bytes. False when another byte comes.
    bool restart(int n);
    // Where the bytes not yet read begin.
    std::size_t position() const { return position_; }

private:
    bool fill();

    const unsigned char* data_;
    std::size_t size_;
    std::size_t position_;
    unsigned buffer_ = 0;
    int available_ = 0;
};

// The DC difference a category and its extra bits stand for.
inline int extendDifference(int bits, int category) {
    return category == 0 ? 0 : bits < (1 << (category - 1)) ? bits - (1 << category) + 1 : bits;
}

// The position of the marker that ends the entropy data starting at `position` (0xFF followed by
// neither 0x00, a restart marker nor another 0xFF); `size` when there is none.
std::size_t nextMarker(const unsigned char* data, std::size_t size, std::size_t position);

} // namespace pix::imaging::jpeg
