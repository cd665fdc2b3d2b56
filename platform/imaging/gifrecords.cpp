#include "platform/imaging/gifrecords.h"

#include "platform/imaging/decodedetail.h"

#include <cstdio>
#include <cstring>

namespace pix::imaging {
namespace {

constexpr int kExtensionIntroducer = 0x21;
constexpr int kImageSeparator = 0x2C;
constexpr int kTrailer = 0x3B;
constexpr int kGraphicsControlLabel = 0xF9;

// Reads forward through the file; every read checks that the bytes are there.
class Cursor {
public:
    Cursor(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

    std::size_t pos() const { return pos_; }
    const unsigned char* here() const { return data_ + pos_; }
    bool has(std::size_t count) const { return size_ - pos_ >= count; }
    bool skip(std::size_t count) {
        if (!has(count))
            return false;
        pos_ += count;
        return true;
    }
    bool byte(int& value) {
        if (!has(1))
            return false;
        value = data_[pos_++];
        return true;
    }
    bool word(int& value) {
        if (!has(2))
            return false;
        value = data_[pos_] | data_[pos_ + 1] << 8;
        pos_ += 2;
        return true;
    }

private:
    const unsigned char* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

Status corrupt(const char* reason) {
    detail::noteDecodeDetail(detail::Severity::Error, reason);
    return Status::CorruptData;
}

// A colour map follows a descriptor whose packed field has its top bit set; its low three bits
// give the entry count as a power of two.
bool readColourMap(Cursor& in, int packed, GifFirstImage& out) {
    const std::size_t bytes = std::size_t(3) << ((packed & 7) + 1);
    if (!in.has(bytes))
        return false;
    out.colours.assign(in.here(), in.here() + bytes);
    out.hasColourMap = true;
    return in.skip(bytes);
}

// Steps over one extension's sub-blocks. A graphics control block sets (or clears) the
// transparent index of the image that follows it.
bool readExtension(Cursor& in, GifFirstImage& out) {
    int label = 0, length = 0;
    if (!in.byte(label))
        return false;
    for (bool first = true;; first = false) {
        if (!in.byte(length))
            return false;
        if (length == 0)
            return true;
        if (label == kGraphicsControlLabel && first && length >= 4 && in.has(4))
            out.transparentIndex = (in.here()[0] & 1) != 0 ? in.here()[3] : -1;
        if (!in.skip(std::size_t(length)))
            return false;
    }
}

Status readImageDescriptor(Cursor& in, GifFirstImage& out) {
    int packed = 0, codeSize = 0;
    if (!in.word(out.left) || !in.word(out.top) || !in.word(out.width) || !in.word(out.height) ||
        !in.byte(packed))
        return corrupt("the file ends inside the first image's descriptor");
    out.interlaced = (packed & 0x40) != 0;
    if ((packed & 0x80) != 0 && !readColourMap(in, packed, out))
        return corrupt("the file ends inside the first image's colour map");
    if (!in.byte(codeSize))
        return corrupt("the file ends before the first image's data");
    if (out.width == 0 || out.height == 0)
        return corrupt("the first image has no pixels");
    if (codeSize > 11) {
        char reason[80];
        std::snprintf(reason, sizeof reason,
                      "LZW minimum code size %d leaves no room for 12-bit codes", codeSize);
        return corrupt(reason);
    }
    out.minimumCodeSize = codeSize;
    out.dataOffset = in.pos();
    return Status::Ok;
}

} // namespace

Status readGifFirstImage(const unsigned char* data, std::size_t size, GifFirstImage& out) {
    out = {};
    Cursor in(data, data != nullptr ? size : 0);
    if (in.has(3) && std::memcmp(data, "GIF", 3) != 0) {
        detail::noteDecodeDetail(detail::Severity::Error, "not a GIF file");
        return Status::UnknownImageFormat;
    }
    int packed = 0;
    if (!in.skip(6) || !in.word(out.screenWidth) || !in.word(out.screenHeight) ||
        !in.byte(packed) || !in.skip(2))
        return corrupt("the file ends inside its header");
    if ((packed & 0x80) != 0 && !readColourMap(in, packed, out))
        return corrupt("the file ends inside its global colour map");
    for (;;) {
        int type = 0;
        if (!in.byte(type))
            return corrupt("the file ends before its first image");
        if (type == kImageSeparator) {
            return readImageDescriptor(in, out);
        }
        if (type == kTrailer)
            return corrupt("the file holds no image");
        if (type != kExtensionIntroducer)
            return corrupt("an unknown record comes before the first image");
        if (!readExtension(in, out))
            return corrupt("the file ends inside an extension before its first image");
    }
}

} // namespace pix::imaging
