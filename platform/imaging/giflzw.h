// The LZW decoder of GIF image data: colour indices out of the chain of data sub-blocks that
// follows an image's minimum code size byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pix::imaging {

// Any minimum code size from 0 to 11 is read: the clear code is 1 << size, the end code the one
// after it, and codes start one bit wider than the size and grow to at most 12 bits. A size of
// 12 or more leaves no room for codes and is refused by the caller.
class GifLzwDecoder {
public:
    static constexpr int kMaxMinimumCodeSize = 11;

    enum class Result {
        Ok,
        Truncated,  // the data or its sub-block chain ended before the pixels asked for
        EndedEarly, // an end code came before the pixels asked for
        BadCode,    // a code that names no entry of the table
    };

    // data points at the first sub-block's length byte; size counts the bytes from there to the
    // end of the file. Nothing beyond them is ever read.
    GifLzwDecoder(const unsigned char* data, std::size_t size, int minimumCodeSize);

    // Decodes the next count indices into out. After anything other than Ok the contents of
    // out are unspecified and the decoder must not be used again.
    Result read(std::uint16_t* out, int count);

private:
    static constexpr int kMaxCodeBits = 12;
    static constexpr int kTableSize = 1 << kMaxCodeBits;

    bool nextCode(int& code);
    bool fillBits();
    void resetTable();
    void writeString(int code, std::uint16_t* out, int& done, int count);

    const unsigned char* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    std::size_t blockLeft_ = 0; // bytes left in the current sub-block
    bool chainEnded_ = false;

    std::uint64_t bits_ = 0;
    int bitCount_ = 0;

    int clear_;
    int end_;
    int width_ = 0;
    int next_ = 0;      // the table entry the next code defines
    int previous_ = -1; // the last code read, -1 right after a clear code

    // Each entry is its prefix entry followed by one index; its first index and length are kept
    // so that a string is written back to front without walking the chain twice.
    std::vector<std::uint16_t> prefix_;
    std::vector<std::uint16_t> suffix_;
    std::vector<std::uint16_t> first_;
    std::vector<std::uint16_t> length_;

    // The tail of a string that did not fit into the caller's buffer.
    std::vector<std::uint16_t> pending_;
    int pendingAt_ = 0;
    int pendingEnd_ = 0;
};

} // namespace pix::imaging
