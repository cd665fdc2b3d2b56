// JPEG encoding through libjpeg-turbo, streamed into a QIODevice.
#include "platform/imaging/jpegcodec.h"
#include "platform/imaging/jpegerrors.h"
#include "platform/imaging/jpegmetadata.h"

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

namespace pix::imaging {

namespace {

constexpr std::size_t kChunk = 64 * 1024;

// Pictures up to this many pixels get Huffman tables fitted to them.
constexpr qint64 kOptimiseLimit = 4'000'000;

struct DeviceDestination {
    jpeg_destination_mgr base;
    QIODevice* device;
    std::array<JOCTET, kChunk> buffer;
};

void initDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<DeviceDestination*>(cinfo->dest);
    dest->base.next_output_byte = dest->buffer.data();
    dest->base.free_in_buffer = dest->buffer.size();
}

// Writes the buffered bytes; false when the device refuses them or cannot grow. An exception
// must not cross libjpeg's C frames, so it becomes a failure here.
bool flush(DeviceDestination* dest, qint64 bytes) {
    try {
        return dest->device->write(reinterpret_cast<const char*>(dest->buffer.data()), bytes) ==
               bytes;
    } catch (...) {
        return false;
    }
}

boolean emptyBuffer(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<DeviceDestination*>(cinfo->dest);
    if (!flush(dest, qint64(dest->buffer.size())))
        jpeg::fail(reinterpret_cast<j_common_ptr>(cinfo));
    initDestination(cinfo);
    return TRUE;
}

void termDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<DeviceDestination*>(cinfo->dest);
    if (!flush(dest, qint64(dest->buffer.size() - dest->base.free_in_buffer)))
        jpeg::fail(reinterpret_cast<j_common_ptr>(cinfo));
}

struct EncodeState {
    jpeg_compress_struct cinfo;
    jpeg::ErrorManager errors;
    DeviceDestination destination;
    // Made before libjpeg runs, so that a jump out of it skips no destructor.
    std::vector<jpeg::OutputSegment> segments;
    QByteArray iccProfile;
};

void configure(EncodeState& s, const QImage& image, int quality) {
    s.cinfo.image_width = JDIMENSION(image.width());
    s.cinfo.image_height = JDIMENSION(image.height());
    s.cinfo.input_components = 4;
    s.cinfo.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&s.cinfo);
    jpeg_set_quality(&s.cinfo, quality, TRUE);
    // Full chroma resolution at high qualities, where people ask for fidelity; 4:2:0 below.
    if (quality >= 90) {
        for (int c = 0; c < s.cinfo.num_components; ++c)
            s.cinfo.comp_info[c].h_samp_factor = s.cinfo.comp_info[c].v_samp_factor = 1;
    }
    // Huffman tables fitted to the picture save 5 to 20 percent, but libjpeg then keeps every
    // DCT coefficient of the picture (2 bytes a sample) and codes it twice. Beyond a few
    // megapixels that buffer outweighs the picture itself, so large pictures use the standard
    // tables, which are still smaller than what other tools write at the same quality.
    s.cinfo.optimize_coding = qint64(image.width()) * image.height() <= kOptimiseLimit;
    // An EXIF segment comes first after the start of the file, where JFIF would be.
    if (!s.segments.empty() && s.segments.front().marker == 0xE1)
        s.cinfo.write_JFIF_header = FALSE;
}

// EXIF and XMP first, then the profile, the IPTC resource and the comments, as cameras and
// editors order them.
void writeSegments(EncodeState& s, bool app1) {
    for (const jpeg::OutputSegment& segment : s.segments) {
        if ((segment.marker == 0xE1) == app1)
            jpeg_write_marker(&s.cinfo, segment.marker,
                              reinterpret_cast<const JOCTET*>(segment.body.constData()),
                              unsigned(segment.body.size()));
    }
}

void writeMetadata(EncodeState& s) {
    writeSegments(s, true);
    if (!s.iccProfile.isEmpty())
        jpeg_write_icc_profile(&s.cinfo, reinterpret_cast<const JOCTET*>(s.iccProfile.constData()),
                               unsigned(s.iccProfile.size()));
    writeSegments(s, false);
}

bool createCompressor(EncodeState& s) {
    if (setjmp(s.errors.jump))
        return false;
    jpeg_create_compress(&s.cinfo);
    return true;
}

bool writeImage(EncodeState& s, const QImage& image, int quality) {
    if (setjmp(s.errors.jump))
        return false;
    configure(s, image, quality);
    jpeg_start_compress(&s.cinfo, TRUE);
    writeMetadata(s);
    while (s.cinfo.next_scanline < s.cinfo.image_height) {
        auto row = const_cast<JSAMPROW>(image.constScanLine(int(s.cinfo.next_scanline)));
        jpeg_write_scanlines(&s.cinfo, &row, 1);
    }
    jpeg_finish_compress(&s.cinfo);
    return true;
}

} // namespace

Status encodeJpeg(const Picture& picture, int quality, QIODevice& device) {
    if (picture.isNull())
        return Status::InvalidParameter;
    const QImage image = flattenedOnWhite(picture); // JPEG has no transparency
    if (image.isNull())
        return Status::OutOfMemory;
    auto state = std::make_unique<EncodeState>();
    EncodeState& s = *state;
    jpeg::install(*reinterpret_cast<jpeg_common_struct*>(&s.cinfo), s.errors);
    if (!createCompressor(s))
        return Status::OutOfMemory;
    s.destination.base.init_destination = initDestination;
    s.destination.base.empty_output_buffer = emptyBuffer;
    s.destination.base.term_destination = termDestination;
    s.destination.device = &device;
    s.cinfo.dest = &s.destination.base;
    s.segments = jpeg::outputSegments(picture.metadata());
    s.iccProfile = picture.metadata().iccProfile;
    const bool ok = writeImage(s, image, std::clamp(quality, 0, 100));
    jpeg_destroy_compress(&s.cinfo);
    return ok ? Status::Ok : Status::WriteFailed;
}

} // namespace pix::imaging
