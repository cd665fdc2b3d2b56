// The metadata segments of a JPEG file: EXIF and XMP (APP1), the ICC profile (APP2, in numbered
// chunks), IPTC (APP13, a Photoshop resource) and comments (COM). Read from the file's bytes
// before the first scan, written by the encoder right after its header.
#pragma once

#include "platform/imaging/picture.h"

#include <QByteArray>
#include <cstddef>
#include <vector>

namespace pix::imaging::jpeg {

// One segment before the first scan: its marker (0xE1 for APP1, ...) and body, without the
// length field.
struct Segment {
    unsigned marker = 0;
    const unsigned char* body = nullptr;
    std::size_t size = 0;
};

// Calls visit(segment) for each segment before the first scan, in file order, until it answers
// false. Every length is checked against the data; stray bytes between segments are skipped as
// libjpeg skips them.
template <typename Visit>
void forEachSegment(const unsigned char* data, std::size_t size, Visit visit);

PictureMetadata readMetadata(const unsigned char* data, std::size_t size);

// The IPTC records (resource 0x0404) among Photoshop image resources ("8BIM" blocks); empty
// when there are none.
QByteArray iptcOfResources(const QByteArray& resources);

// The most each block may hold to fit its one segment (65533 bytes less the segment's own
// header); the ICC profile is split over as many as it needs.
inline constexpr std::size_t kMaxSegmentBody = 65533;
inline constexpr std::size_t kMaxExif = kMaxSegmentBody - 6;  // "Exif\0\0"
inline constexpr std::size_t kMaxXmp = kMaxSegmentBody - 29;  // the XMP namespace and a NUL
inline constexpr std::size_t kMaxIptc = kMaxSegmentBody - 27; // Photoshop header, resource head

// The segments to write for the metadata, ICC profile excepted (libjpeg splits that itself):
// marker and complete body. Blocks too large for a segment are left out.
struct OutputSegment {
    int marker = 0;
    QByteArray body;
};
std::vector<OutputSegment> outputSegments(const PictureMetadata& metadata);

// ---------------------------------------------------------------------------------------------

template <typename Visit>
void forEachSegment(const unsigned char* data, std::size_t size, Visit visit) {
    std::size_t pos = 2; // after the start-of-image marker
    while (pos + 4 <= size) {
        if (data[pos] != 0xFF || data[pos + 1] == 0x00) {
            ++pos; // a stray byte before a marker
            continue;
        }
        const unsigned marker = data[pos + 1];
        if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
            pos += 2; // markers without a length
            continue;
        }
        if (marker == 0xFF) {
            ++pos; // fill byte
            continue;
        }
        if (marker == 0xDA || marker == 0xD9)
            return; // start of scan: no more metadata
        const std::size_t length = (std::size_t(data[pos + 2]) << 8) | data[pos + 3];
        if (length < 2 || length > size - pos - 2)
            return;
        if (!visit(Segment{marker, data + pos + 4, length - 2}))
            return;
        pos += 2 + length;
    }
}

} // namespace pix::imaging::jpeg
