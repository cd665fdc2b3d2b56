#include "platform/imaging/jpegmetadata.h"

#include <QtEndian>
#include <cstring>
#include <map>

namespace pix::imaging::jpeg {

namespace {

constexpr unsigned kApp1 = 0xE1, kApp2 = 0xE2, kApp13 = 0xED, kComment = 0xFE;

const char kExifHeader[] = "Exif\0"; // and the NUL the literal ends with: six bytes
const char kXmpHeader[] = "http://ns.adobe.com/xap/1.0/";
const char kIccHeader[] = "ICC_PROFILE";
const char kPhotoshopHeader[] = "Photoshop 3.0";
constexpr std::uint16_t kIptcResource = 0x0404;

bool startsWith(const Segment& s, const char* header, std::size_t length) {
    return s.size >= length && std::memcmp(s.body, header, length) == 0;
}

QByteArray bodyAfter(const Segment& s, std::size_t header) {
    return QByteArray(reinterpret_cast<const char*>(s.body + header), qsizetype(s.size - header));
}

// The ICC profile's chunks, in the order their numbers give; empty unless every chunk of the
// announced count is there exactly once.
QByteArray joinIccChunks(const std::map<int, Segment>& chunks, int count) {
    if (count <= 0 || int(chunks.size()) != count || chunks.begin()->first != 1 ||
        chunks.rbegin()->first != count)
        return {};
    QByteArray profile;
    for (const auto& [number, segment] : chunks)
        profile += bodyAfter(segment, 14);
    return profile;
}

} // namespace

// Each resource: "8BIM", a 16-bit id, a Pascal name padded to an even length, a 32-bit size and
// the data, padded to an even length.
QByteArray iptcOfResources(const QByteArray& resources) {
    const auto* p = reinterpret_cast<const unsigned char*>(resources.constData());
    const std::size_t size = std::size_t(resources.size());
    std::size_t at = 0;
    while (at + 12 <= size && std::memcmp(p + at, "8BIM", 4) == 0) {
        const std::uint16_t id = qFromBigEndian<quint16>(p + at + 4);
        const std::size_t nameBytes = (std::size_t(p[at + 6]) + 2) & ~std::size_t(1);
        const std::size_t head = at + 6 + nameBytes;
        if (head + 4 > size)
            break;
        const std::size_t length = qFromBigEndian<quint32>(p + head);
        if (length > size - head - 4)
            break;
        if (id == kIptcResource)
            return resources.mid(qsizetype(head + 4), qsizetype(length));
        at = head + 4 + length + (length & 1);
    }
    return {};
}

PictureMetadata readMetadata(const unsigned char* data, std::size_t size) {
    PictureMetadata metadata;
    std::map<int, Segment> iccChunks;
    int iccCount = 0;
    QByteArray resources;
    forEachSegment(data, size, [&](const Segment& s) {
        if (s.marker == kApp1 && metadata.exif.isEmpty() && startsWith(s, kExifHeader, 6))
            metadata.exif = bodyAfter(s, 6);
        else if (s.marker == kApp1 && metadata.xmp.isEmpty() &&
                 startsWith(s, kXmpHeader, sizeof kXmpHeader))
            metadata.xmp = bodyAfter(s, sizeof kXmpHeader);
        else if (s.marker == kApp2 && startsWith(s, kIccHeader, sizeof kIccHeader) &&
                 s.size >= 14) {
            iccCount = s.body[13];
            iccChunks.emplace(int(s.body[12]), s);
        } else if (s.marker == kApp13 && startsWith(s, kPhotoshopHeader, sizeof kPhotoshopHeader))
            resources += bodyAfter(s, sizeof kPhotoshopHeader);
        else if (s.marker == kComment && s.size > 0)
            metadata.comment +=
                (metadata.comment.isEmpty() ? QByteArray() : QByteArray("\n")) + bodyAfter(s, 0);
        return true;
    });
    metadata.iccProfile = joinIccChunks(iccChunks, iccCount);
    if (!resources.isEmpty())
        metadata.iptc = iptcOfResources(resources);
    return metadata;
}

std::vector<OutputSegment> outputSegments(const PictureMetadata& metadata) {
    std::vector<OutputSegment> segments;
    const auto add = [&](unsigned marker, const char* header, std::size_t headerBytes,
                         const QByteArray& block, std::size_t most) {
        if (!block.isEmpty() && std::size_t(block.size()) <= most)
            segments.push_back({int(marker), QByteArray(header, qsizetype(headerBytes)) + block});
    };
    add(kApp1, kExifHeader, 6, metadata.exif, kMaxExif);
    add(kApp1, kXmpHeader, sizeof kXmpHeader, metadata.xmp, kMaxXmp);
    if (!metadata.iptc.isEmpty() && std::size_t(metadata.iptc.size()) <= kMaxIptc) {
        QByteArray resource("8BIM\x04\x04\0\0", 8);
        char length[4];
        qToBigEndian(quint32(metadata.iptc.size()), length);
        resource += QByteArray(length, 4) + metadata.iptc;
        if (metadata.iptc.size() & 1)
            resource += '\0';
        add(kApp13, kPhotoshopHeader, sizeof kPhotoshopHeader, resource, kMaxIptc + 12);
    }
    // A comment longer than a segment goes into several, in order.
    for (qsizetype at = 0; at < metadata.comment.size(); at += qsizetype(kMaxSegmentBody))
        segments.push_back({int(kComment), metadata.comment.mid(at, qsizetype(kMaxSegmentBody))});
    return segments;
}

} // namespace pix::imaging::jpeg
