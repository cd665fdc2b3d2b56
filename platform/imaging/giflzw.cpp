#include "platform/imaging/giflzw.h"

#include <algorithm>
#include <bit>

namespace pix::imaging {

GifLzwDecoder::GifLzwDecoder(const unsigned char* data, std::size_t size, int minimumCodeSize)
    : data_(data), size_(data != nullptr ? size : 0),
      clear_(1 << std::clamp(minimumCodeSize, 0, kMaxMinimumCodeSize)), end_(clear_ + 1),
      prefix_(kTableSize), suffix_(kTableSize), first_(kTableSize), length_(kTableSize),
      pending_(kTableSize) {
    for (int i = 0; i < clear_; ++i) {
        suffix_[std::size_t(i)] = first_[std::size_t(i)] = std::uint16_t(i);
        length_[std::size_t(i)] = 1;
    }
    resetTable();
}

void GifLzwDecoder::resetTable() {
    width_ = std::countr_zero(unsigned(clear_)) + 1;
    next_ = end_ + 1;
    previous_ = -1;
}

// Moves bytes of the current sub-block into the bit buffer, stepping over sub-block length bytes,
// until a code of the current width is there; false when the data or the chain ends first.
bool GifLzwDecoder::fillBits() {
    while (bitCount_ < width_) {
        if (blockLeft_ == 0) {
            if (chainEnded_ || pos_ >= size_)
                return false;
            blockLeft_ = data_[pos_++];
            chainEnded_ = blockLeft_ == 0;
            continue;
        }
        const std::size_t take =
            std::min({blockLeft_, size_ - pos_, std::size_t(64 - bitCount_) / 8});
        if (take == 0)
            return false; // the file ends inside this sub-block
        for (std::size_t i = 0; i < take; ++i, bitCount_ += 8)
            bits_ |= std::uint64_t(data_[pos_ + i]) << bitCount_;
        pos_ += take;
        blockLeft_ -= take;
    }
    return true;
}

bool GifLzwDecoder::nextCode(int& code) {
    if (bitCount_ < width_ && !fillBits())
        return false;
    code = int(bits_ & ((std::uint64_t(1) << width_) - 1));
    bits_ >>= width_;
    bitCount_ -= width_;
    return true;
}

// Writes the string of a code back to front, straight into out when it fits, else into the
// pending buffer that read() drains first.
void GifLzwDecoder::writeString(int code, std::uint16_t* out, int& done, int count) {
    const int length = length_[std::size_t(code)];
    std::uint16_t* target = nullptr;
    if (count - done >= length) {
        target = out + done;
        done += length;
    } else {
        target = pending_.data();
        pendingAt_ = 0;
        pendingEnd_ = length;
    }
    for (int i = length - 1; i >= 0; --i) {
        target[i] = suffix_[std::size_t(code)];
        code = prefix_[std::size_t(code)];
    }
}

GifLzwDecoder::Result GifLzwDecoder::read(std::uint16_t* out, int count) {
    int done = 0;
    while (done < count) {
        if (pendingAt_ < pendingEnd_) {
            const int n = std::min(count - done, pendingEnd_ - pendingAt_);
            std::copy_n(pending_.data() + pendingAt_, n, out + done);
            pendingAt_ += n;
            done += n;
            continue;
        }
        int code = 0;
        if (!nextCode(code))
            return Result::Truncated;
        if (code == clear_) {
            resetTable();
            continue;
        }
        if (code == end_)
            return Result::EndedEarly;
        if (previous_ < 0) {
            // After a clear code only a literal index can follow: the table holds nothing else.
            if (code > clear_)
                return Result::BadCode;
            out[done++] = std::uint16_t(code);
        } else {
            // A code may name an entry already made or the one this code makes (its string is
            // then the previous string followed by that string's first index).
            if (code > next_)
                return Result::BadCode;
            if (next_ < kTableSize) {
                const auto at = std::size_t(next_);
                const auto before = std::size_t(previous_);
                prefix_[at] = std::uint16_t(previous_);
                first_[at] = first_[before];
                suffix_[at] = code < next_ ? first_[std::size_t(code)] : first_[before];
                length_[at] = std::uint16_t(length_[before] + 1);
                ++next_;
            }
            writeString(code, out, done, count);
        }
        previous_ = code;
        // Checked after every code, not only after one that made an entry, so that minimum
        // code sizes below 2 (whose first free entry is already past the first width) widen
        // after their first literal as other decoders do.
        if (next_ >= (1 << width_) && width_ < kMaxCodeBits)
            ++width_;
    }
    return Result::Ok;
}

} // namespace pix::imaging
