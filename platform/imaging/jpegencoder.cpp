// JPEG encoding through libjpeg-turbo, streamed into a QIODevice.
#include "platform/imaging/jpegcodec.h"
#include "platform/imaging/jpegerrors.h"

#include <algorithm>
#include <array>
#include <memory>

namespace pix::imaging {

namespace {

constexpr std::size_t kChunk = 64 * 1024;

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

boolean emptyBuffer(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<DeviceDestination*>(cinfo->dest);
    if (dest->device->write(reinterpret_cast<const char*>(dest->buffer.data()),
                            qint64(dest->buffer.size())) != qint64(dest->buffer.size()))
        jpeg::fail(reinterpret_cast<j_common_ptr>(cinfo));
    initDestination(cinfo);
    return TRUE;
}

void termDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<DeviceDestination*>(cinfo->dest);
    const auto used = qint64(dest->buffer.size() - dest->base.free_in_buffer);
    if (dest->device->write(reinterpret_cast<const char*>(dest->buffer.data()), used) != used)
        jpeg::fail(reinterpret_cast<j_common_ptr>(cinfo));
}

struct EncodeState {
    jpeg_compress_struct cinfo;
    jpeg::ErrorManager errors;
    DeviceDestination destination;
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
    s.cinfo.optimize_coding = TRUE;
}

bool writeImage(EncodeState& s, const QImage& image, int quality) {
    if (setjmp(s.errors.jump))
        return false;
    configure(s, image, quality);
    jpeg_start_compress(&s.cinfo, TRUE);
    while (s.cinfo.next_scanline < s.cinfo.image_height) {
        auto row = const_cast<JSAMPROW>(image.constScanLine(int(s.cinfo.next_scanline)));
        jpeg_write_scanlines(&s.cinfo, &row, 1);
    }
    jpeg_finish_compress(&s.cinfo);
    return true;
}

// JPEG has no transparency: composite onto white, as a viewer would show the picture.
QImage opaqueOnWhite(const Picture& picture) {
    if (!picture.hasAlpha())
        return picture.image();
    QImage flat(picture.width(), picture.height(), QImage::Format_RGB32);
    if (flat.isNull())
        return flat;
    for (int y = 0; y < picture.height(); ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(picture.image().constScanLine(y));
        auto* dst = reinterpret_cast<QRgb*>(flat.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = src[x];
            const int white = 255 - qAlpha(p); // premultiplied: colour + (1 - alpha) * white
            dst[x] = qRgb(qRed(p) + white, qGreen(p) + white, qBlue(p) + white);
        }
    }
    return flat;
}

} // namespace

Status encodeJpeg(const Picture& picture, int quality, QIODevice& device) {
    if (picture.isNull())
        return Status::InvalidParameter;
    const QImage image = opaqueOnWhite(picture);
    if (image.isNull())
        return Status::OutOfMemory;
    auto state = std::make_unique<EncodeState>();
    EncodeState& s = *state;
    jpeg::install(*reinterpret_cast<jpeg_common_struct*>(&s.cinfo), s.errors);
    jpeg_create_compress(&s.cinfo);
    s.destination.base.init_destination = initDestination;
    s.destination.base.empty_output_buffer = emptyBuffer;
    s.destination.base.term_destination = termDestination;
    s.destination.device = &device;
    s.cinfo.dest = &s.destination.base;
    const bool ok = writeImage(s, image, std::clamp(quality, 0, 100));
    jpeg_destroy_compress(&s.cinfo);
    return ok ? Status::Ok : Status::WriteFailed;
}

} // namespace pix::imaging
