#include "platform/imaging/webpdecoder.h"

#include "platform/imaging/claimcheck.h"
#include "platform/imaging/cores.h"
#include "platform/imaging/decodedetail.h"
#include "platform/imaging/exifblock.h"
#include "platform/imaging/owned.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace pix::imaging {

namespace {

struct Demuxer {
    Owned<WebPDemuxer, WebPDemuxDelete> demuxer;
    WebPDemuxState state = WEBP_DEMUX_PARSE_ERROR;
    Demuxer(const unsigned char* data, std::size_t size, bool partial) {
        const WebPData bytes{data, size};
        demuxer.reset(partial ? WebPDemuxPartial(&bytes, &state) : WebPDemux(&bytes));
        if (demuxer && !partial)
            state = WEBP_DEMUX_DONE;
    }
};

const char* statusWords(VP8StatusCode status) {
    switch (status) {
    case VP8_STATUS_OUT_OF_MEMORY:
        return "out of memory";
    case VP8_STATUS_INVALID_PARAM:
        return "invalid parameter";
    case VP8_STATUS_BITSTREAM_ERROR:
        return "bitstream error";
    case VP8_STATUS_UNSUPPORTED_FEATURE:
        return "unsupported feature";
    case VP8_STATUS_NOT_ENOUGH_DATA:
        return "the data ends before the picture";
    default:
        return "decoding failed";
    }
}

Status failed(const char* reason) {
    detail::noteDecodeDetail(detail::Severity::Error, reason);
    return Status::CorruptData;
}

QByteArray chunk(WebPDemuxer* demuxer, const char* fourcc) {
    WebPChunkIterator iterator;
    if (!WebPDemuxGetChunk(demuxer, fourcc, 1, &iterator))
        return {};
    QByteArray bytes(reinterpret_cast<const char*>(iterator.chunk.bytes),
                     qsizetype(iterator.chunk.size));
    WebPDemuxReleaseChunkIterator(&iterator);
    return bytes;
}

QByteArray exifOf(WebPDemuxer* demuxer) {
    const QByteArray block = chunk(demuxer, "EXIF");
    return exifTiffBlock(reinterpret_cast<const unsigned char*>(block.constData()),
                         std::size_t(block.size()));
}

// What the headers say: the canvas, the turn that makes it upright, whether the first frame is
// lossless. An EXIF chunk follows the picture data, so a start of the file that announces one
// without holding it cannot tell the upright size.
struct Layout {
    QSize canvas;
    RotateFlipType upright = RotateNoneFlipNone;
    bool lossless = false;
};

Status layoutOf(const unsigned char* data, std::size_t size, bool partial, Layout& layout) {
    const Demuxer demux(data, size, partial);
    if (!demux.demuxer || demux.state < WEBP_DEMUX_PARSED_HEADER)
        return failed("not a WebP picture, or its header is damaged");
    layout.canvas = QSize(int(WebPDemuxGetI(demux.demuxer.get(), WEBP_FF_CANVAS_WIDTH)),
                          int(WebPDemuxGetI(demux.demuxer.get(), WEBP_FF_CANVAS_HEIGHT)));
    if (layout.canvas.isEmpty())
        return failed("the picture has no size");
    const QByteArray exif = exifOf(demux.demuxer.get());
    if (exif.isEmpty() && demux.state != WEBP_DEMUX_DONE &&
        (WebPDemuxGetI(demux.demuxer.get(), WEBP_FF_FORMAT_FLAGS) & EXIF_FLAG))
        return Status::CorruptData; // the caller reads on
    const RotateFlipType turn = rotateFlipForOrientation(orientationFromTiff(
        reinterpret_cast<const unsigned char*>(exif.constData()), std::size_t(exif.size())));
    layout.upright = isRotateFlipType(turn) ? turn : RotateNoneFlipNone;
    WebPBitstreamFeatures features;
    WebPIterator frame;
    if (WebPDemuxGetFrame(demux.demuxer.get(), 1, &frame)) {
        if (WebPGetFeatures(frame.fragment.bytes, frame.fragment.size, &features) == VP8_STATUS_OK)
            layout.lossless = features.format == 2;
        WebPDemuxReleaseIterator(&frame);
    }
    return Status::Ok;
}

// The size to decode at: the stored size, or, when the caller needs half of it or less in both
// sides, the smallest size with the picture's proportions that covers what it needs.
QSize decodeSize(QSize stored, RotateFlipType upright, QSize minSize) {
    if (minSize.isEmpty())
        return stored;
    const QSize needed = rotatedSize(minSize.width(), minSize.height(), upright); // as stored
    if (needed.width() * 2 > stored.width() || needed.height() * 2 > stored.height())
        return stored;
    const double scale = std::max(double(needed.width()) / stored.width(),
                                  double(needed.height()) / stored.height());
    return QSize(std::clamp(int(std::ceil(stored.width() * scale)), 1, stored.width()),
                 std::clamp(int(std::ceil(stored.height() * scale)), 1, stored.height()));
}

} // namespace

bool isWebpData(const unsigned char* data, std::size_t size) {
    return size >= 12 && std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "WEBP", 4) == 0;
}

Status measureWebp(const unsigned char* data, std::size_t size, QSize& out) {
    Layout layout;
    const Status status = layoutOf(data, size, true, layout);
    if (status == Status::Ok)
        out = rotatedSize(layout.canvas.width(), layout.canvas.height(), layout.upright);
    return status;
}

Status estimateWebpDecode(const unsigned char* data, std::size_t size, const DecodeHint& hint,
                          std::uint64_t& bytes) {
    Layout layout;
    const Status status = layoutOf(data, size, true, layout);
    if (status != Status::Ok)
        return status;
    const QSize output = decodeSize(layout.canvas, layout.upright, hint.minSize);
    const std::uint64_t stored = std::uint64_t(layout.canvas.width()) * layout.canvas.height();
    const std::uint64_t picture = std::uint64_t(output.width()) * output.height() * 4;
    const bool turned = composeRotateFlip(layout.upright, hint.rotateFlip) != RotateNoneFlipNone;
    // A lossless frame is decoded whole inside libwebp first; a lossy one streams its rows.
    bytes = (layout.lossless ? stored * 4 : stored / 4) + picture * (turned ? 2 : 1);
    return Status::Ok;
}

Status decodeWebp(const unsigned char* data, std::size_t size, const DecodeHint& hint,
                  Picture& out) {
    const Demuxer demux(data, size, false);
    if (!demux.demuxer)
        return failed("not a WebP picture, or it is damaged or cut short");
    const QSize canvas(int(WebPDemuxGetI(demux.demuxer.get(), WEBP_FF_CANVAS_WIDTH)),
                       int(WebPDemuxGetI(demux.demuxer.get(), WEBP_FF_CANVAS_HEIGHT)));
    Status status = checkClaimedSize(canvas.width(), canvas.height(), size);
    if (status != Status::Ok)
        return status;
    PictureMetadata metadata;
    metadata.iccProfile = chunk(demux.demuxer.get(), "ICCP");
    metadata.exif = exifOf(demux.demuxer.get());
    metadata.xmp = chunk(demux.demuxer.get(), "XMP ");
    const RotateFlipType orientation = rotateFlipForOrientation(
        orientationFromTiff(reinterpret_cast<const unsigned char*>(metadata.exif.constData()),
                            std::size_t(metadata.exif.size())));
    const RotateFlipType upright = isRotateFlipType(orientation) ? orientation : RotateNoneFlipNone;

    WebPIterator frame;
    if (!WebPDemuxGetFrame(demux.demuxer.get(), 1, &frame))
        return failed("the file holds no picture");
    struct Release {
        WebPIterator& frame;
        ~Release() { WebPDemuxReleaseIterator(&frame); }
    } release{frame};
    const QRect placed(frame.x_offset, frame.y_offset, frame.width, frame.height);
    if (placed.isEmpty() || !QRect(QPoint(), canvas).contains(placed))
        return failed("the first frame lies outside the canvas");

    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        return Status::InvalidParameter;
    const VP8StatusCode features =
        WebPGetFeatures(frame.fragment.bytes, frame.fragment.size, &config.input);
    if (features != VP8_STATUS_OK)
        return failed(statusWords(features));
    // The first frame of an animation stands on a transparent canvas, as a GIF's does.
    const bool whole = placed.size() == canvas;
    const bool alpha = frame.has_alpha || config.input.has_alpha || !whole;
    // Only a frame that fills the canvas is scaled: offsets stay whole pixels.
    const QSize output = whole ? decodeSize(canvas, upright, hint.minSize) : canvas;
    Picture picture;
    status = allocatePicture(output.width(), output.height(), alpha, picture);
    if (status != Status::Ok)
        return status;
    QImage& image = picture.image();
    if (!whole)
        image.fill(Qt::transparent);
    config.options.use_threads = coresForThisThread() > 1 ? 1 : 0;
    if (output != canvas) {
        config.options.use_scaling = 1;
        config.options.scaled_width = output.width();
        config.options.scaled_height = output.height();
    }
    const QSize target = output != canvas ? output : placed.size();
    config.output.colorspace = alpha ? MODE_bgrA : MODE_BGRA; // QRgb bytes, premultiplied
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba =
        image.bits() + qsizetype(placed.y()) * image.bytesPerLine() + placed.x() * 4;
    config.output.u.RGBA.stride = int(image.bytesPerLine());
    config.output.u.RGBA.size =
        std::size_t(image.bytesPerLine()) * std::size_t(target.height() - 1) +
        std::size_t(target.width()) * 4;
    const VP8StatusCode decoded = WebPDecode(frame.fragment.bytes, frame.fragment.size, &config);
    WebPFreeDecBuffer(&config.output);
    if (decoded == VP8_STATUS_OUT_OF_MEMORY)
        return Status::OutOfMemory;
    if (decoded != VP8_STATUS_OK)
        return failed(statusWords(decoded));
    status = rotateFlip(picture, composeRotateFlip(upright, hint.rotateFlip));
    if (status != Status::Ok)
        return status;
    picture.metadata() = std::move(metadata);
    out = std::move(picture);
    return Status::Ok;
}

} // namespace pix::imaging
