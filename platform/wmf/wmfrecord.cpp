#include "platform/wmf/wmfrecord.h"

#include "platform/wmf/wmfconstants.h"

namespace pix::wmf {

namespace {

constexpr std::size_t PlaceableSize = 22;
constexpr std::size_t StandardHeaderSize = 18;
constexpr std::size_t RecordHeaderSize = 6; // size (2 words) and function (1 word)
constexpr std::uint32_t PlaceableKey = 0x9AC6CDD7;

std::uint16_t le16(const unsigned char* p) {
    return std::uint16_t(p[0] | (p[1] << 8));
}
std::uint32_t le32(const unsigned char* p) {
    return le16(p) | (std::uint32_t(le16(p + 2)) << 16);
}
std::int16_t les16(const unsigned char* p) {
    return static_cast<std::int16_t>(le16(p));
}

bool standardHeaderAt(const unsigned char* data, std::size_t size, std::size_t offset) {
    if (size < offset + StandardHeaderSize)
        return false;
    const unsigned char* p = data + offset;
    const std::uint16_t type = le16(p), words = le16(p + 2);
    // Type 1 is a memory metafile, 2 a disk metafile; the header is always nine words.
    return (type == 1 || type == 2) && words == 9;
}

} // namespace

std::uint16_t Record::u16(std::size_t index) const {
    return index < words_ ? le16(params_ + 2 * index) : 0;
}

std::uint32_t Record::u32(std::size_t index) const {
    return u16(index) | (std::uint32_t(u16(index + 1)) << 16);
}

const unsigned char* Record::bytesFrom(std::size_t index) const {
    return index < words_ ? params_ + 2 * index : params_ + 2 * words_;
}

std::size_t Record::byteCountFrom(std::size_t index) const {
    return index < words_ ? 2 * (words_ - index) : 0;
}

WmfResult readHeader(const unsigned char* data, std::size_t size, Header& header) {
    header = Header();
    if (data == nullptr)
        return WmfResult::NotWmf;
    std::size_t offset = 0;
    if (size >= 4 && le32(data) == PlaceableKey) {
        // The placeable header's checksum is not checked: many writers get it wrong.
        if (size < PlaceableSize)
            return WmfResult::Malformed;
        header.placeable = true;
        header.bounds = QRect(QPoint(les16(data + 6), les16(data + 8)),
                              QPoint(les16(data + 10), les16(data + 12)));
        header.unitsPerInch = le16(data + 14);
        offset = PlaceableSize;
    }
    if (!standardHeaderAt(data, size, offset))
        return header.placeable ? WmfResult::Malformed : WmfResult::NotWmf;
    header.objectCount = le16(data + offset + 10);
    header.firstRecord = offset + StandardHeaderSize;
    return WmfResult::Ok;
}

RecordReader::Step RecordReader::next(Record& record) {
    if (offset_ == size_)
        return Step::End;
    if (size_ - offset_ < RecordHeaderSize)
        return Step::Malformed;
    const unsigned char* p = data_ + offset_;
    const std::uint32_t words = le32(p);
    const std::uint16_t function = le16(p + 4);
    if (words < 3 || (size_ - offset_) / 2 < words)
        return Step::Malformed;
    if (function == fn::Eof)
        return Step::End;
    record = Record(function, p + RecordHeaderSize, words - 3);
    offset_ += std::size_t(words) * 2;
    return Step::Record;
}

} // namespace pix::wmf
