#include "platform/imaging/jpegdcentropy.h"

#include <algorithm>

namespace pix::imaging::jpeg {

bool buildHuffmanTable(const unsigned char* counts, const unsigned char* symbols, int total,
                       HuffmanTable& table) {
    if (total > 256)
        return false;
    HuffmanTable built;
    int code = 0, index = 0;
    for (int length = 1; length <= 16; ++length) {
        const int count = counts[length - 1];
        built.valueOffset[std::size_t(length)] = index - code;
        code += count;
        index += count;
        built.maxCode[std::size_t(length)] = count > 0 ? code - 1 : -1;
        // A length's codes must leave its all-ones code free.
        if (code >= (1 << length))
            return false;
        code <<= 1;
    }
    if (index != total)
        return false;
    for (int i = 0; i < total; ++i) {
        built.symbols[std::size_t(i)] = symbols[i];
        built.maxSymbol = std::max(built.maxSymbol, int(symbols[i]));
    }
    built.defined = true;
    table = built;
    return true;
}

bool BitReader::fill() {
    if (position_ >= size_)
        return false;
    const unsigned char byte = data_[position_];
    if (byte == 0xFF) {
        // Stuffed 0xFF 0x00 is a data byte; anything else after 0xFF is a marker.
        if (position_ + 1 >= size_ || data_[position_ + 1] != 0x00)
            return false;
        position_ += 2;
    } else {
        position_ += 1;
    }
    buffer_ = byte;
    available_ = 8;
    return true;
}

int BitReader::bits(int count) {
    int value = 0;
    for (int i = 0; i < count; ++i) {
        if (available_ == 0 && !fill())
            return -1;
        --available_;
        value = (value << 1) | int((buffer_ >> available_) & 1u);
    }
    return value;
}

int BitReader::symbol(const HuffmanTable& table) {
    int code = 0;
    for (int length = 1; length <= 16; ++length) {
        const int bit = bits(1);
        if (bit < 0)
            return -1;
        code = (code << 1) | bit;
        if (code <= table.maxCode[std::size_t(length)]) {
            const int index = code + table.valueOffset[std::size_t(length)];
            return index >= 0 && index < 256 ? table.symbols[std::size_t(index)] : -1;
        }
    }
    return -1;
}

bool BitReader::restart(int n) {
    available_ = 0;
    std::size_t at = position_;
    while (at + 1 < size_ && data_[at] == 0xFF && data_[at + 1] == 0xFF)
        ++at;
    if (at + 1 >= size_ || data_[at] != 0xFF || data_[at + 1] != 0xD0 + n)
        return false;
    position_ = at + 2;
    return true;
}

std::size_t nextMarker(const unsigned char* data, std::size_t size, std::size_t position) {
    for (std::size_t at = position; at + 1 < size; ++at) {
        if (data[at] != 0xFF)
            continue;
        const unsigned char next = data[at + 1];
        if (next != 0x00 && next != 0xFF && (next < 0xD0 || next > 0xD7))
            return at;
    }
    return size;
}

} // namespace pix::imaging::jpeg
