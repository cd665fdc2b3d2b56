// GIF decoding of the first frame, by a record reader and an LZW decoder of our own
// (gifrecords.cpp, giflzw.cpp). Only the records up to and including the first image are read,
// so a long animation costs no more than its first frame, and damage after the first frame's
// pixels does not matter.
//
// How the first frame is shown:
// - The canvas is the logical screen, grown where needed to hold the whole frame at its offset:
//   its width is the larger of the screen's and the frame's right edge, its height likewise.
//   A frame larger than the screen, one reaching past it and one on a screen of 0x0 are all
//   shown whole at their place, as libvips and Pillow show them; nothing is cut away. A canvas
//   of more than 16 million pixels is refused unless the frame's own data could fill its
//   screen and the frame covers what it grows past the screen (canvasRefusal).
// - Where the frame does not cover the canvas the canvas is transparent (what browsers show for
//   the screen); the screen's background colour is not painted.
// - Any LZW minimum code size from 0 to 11 is decoded (9 to 11 are seen in the wild); 12 and
//   above leave no room for codes and are refused as corrupt, as browsers do.
// - An index beyond the colour map (a map holds at most 256 entries, code sizes above 8 give
//   larger indices) shows the map's first colour, as ImageMagick does.
// - A frame with neither a local nor a global colour map is drawn with a grey ramp as long as the
//   smallest power of two that holds its largest index below 256 (a two-index frame becomes
//   black and white); larger indices show the ramp's first colour, black.
// - A frame whose data ends, or whose end code comes, before its last pixel is corrupt; a frame
//   whose pixels are all there decodes even when its data's end marker is cut off.
#include "platform/imaging/gifdecoder.h"

#include "platform/imaging/decodedetail.h"
#include "platform/imaging/giflzw.h"
#include "platform/imaging/gifrecords.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <new>
#include <vector>

namespace pix::imaging {
namespace {

// The canvas the frame is drawn on.
struct Placement {
    int canvasWidth = 0, canvasHeight = 0;
};

Status placeFrame(const GifFirstImage& image, Placement& place) {
    place.canvasWidth = std::max(image.screenWidth, image.left + image.width);
    place.canvasHeight = std::max(image.screenHeight, image.top + image.height);
    return sizeAllowed(place.canvasWidth, place.canvasHeight) ? Status::Ok : Status::TooLarge;
}

bool coversCanvas(const Placement& place, const GifFirstImage& image) {
    return image.left == 0 && image.top == 0 && image.width == place.canvasWidth &&
           image.height == place.canvasHeight;
}

// The canvas value of each index the code size allows: opaque colours (the same in RGB32 and
// premultiplied ARGB32), and 0 for the transparent index.
std::vector<std::uint32_t> colourTable(const GifFirstImage& image) {
    std::vector<std::uint32_t> table(std::size_t(1) << std::max(image.minimumCodeSize, 8));
    const int count = int(image.colours.size() / 3);
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (count == 0) {
            // Identity grey, stretched afterwards by applyGreyRamp.
            table[i] = 0xFF000000u | std::uint32_t(i < 256 ? i : 0) * 0x010101u;
            continue;
        }
        const std::uint8_t* c = image.colours.data() + 3 * (int(i) < count ? i : 0);
        table[i] = qRgb(c[0], c[1], c[2]);
    }
    if (image.transparentIndex >= 0)
        table[std::size_t(image.transparentIndex)] = 0;
    return table;
}

// Stretches the identity grey of a frame without a colour map over the ramp its indices need.
void applyGreyRamp(QImage& canvas) {
    const int width = canvas.width(), height = canvas.height();
    std::uint32_t largest = 1;
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(canvas.constScanLine(y));
        for (int x = 0; x < width; ++x)
            largest = std::max(largest, (row[x] >> 24) != 0 ? row[x] & 0xFFu : 0u);
    }
    const std::uint32_t levels = std::bit_ceil(largest + 1);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(canvas.scanLine(y));
        for (int x = 0; x < width; ++x) {
            if ((row[x] >> 24) != 0)
                row[x] = 0xFF000000u | ((row[x] & 0xFFu) * 255u / (levels - 1)) * 0x010101u;
        }
    }
}

Status lzwFailure(GifLzwDecoder::Result result) {
    const char* reason = "the image data ends before the last row";
    if (result == GifLzwDecoder::Result::EndedEarly)
        reason = "the image data's end code comes before the last row";
    else if (result == GifLzwDecoder::Result::BadCode)
        reason = "the image data holds a code that is not in its table";
    detail::noteDecodeDetail(detail::Severity::Error, reason);
    return Status::CorruptData;
}

// Decodes the frame's rows in the order they are stored and draws each at its place.
Status decodeRows(const unsigned char* data, std::size_t size, const GifFirstImage& image,
                  QImage& canvas) {
    GifLzwDecoder lzw(data + image.dataOffset, size - image.dataOffset, image.minimumCodeSize);
    const std::vector<std::uint32_t> table = colourTable(image);
    std::vector<std::uint16_t> row(std::size_t(image.width));
    // Interlaced frames arrive in four passes: every 8th row from 0, every 8th from 4, every 4th
    // from 2, every 2nd from 1.
    static constexpr int kStart[] = {0, 4, 2, 1};
    static constexpr int kStep[] = {8, 8, 4, 2};
    const int passes = image.interlaced ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        const int start = image.interlaced ? kStart[pass] : 0;
        const int step = image.interlaced ? kStep[pass] : 1;
        for (int y = start; y < image.height; y += step) {
            const GifLzwDecoder::Result result = lzw.read(row.data(), image.width);
            if (result != GifLzwDecoder::Result::Ok)
                return lzwFailure(result);
            auto* out =
                reinterpret_cast<std::uint32_t*>(canvas.scanLine(image.top + y)) + image.left;
            for (int x = 0; x < image.width; ++x)
                out[x] = table[row[std::size_t(x)]];
        }
    }
    return Status::Ok;
}

// The bytes of the first image's own data: its sub-blocks' contents, up to the chain's
// terminator or the end of the file. Whatever follows (later frames, trailing junk) draws
// nothing of this frame.
std::uint64_t frameDataBytes(const unsigned char* data, std::size_t size,
                             const GifFirstImage& image) {
    std::uint64_t bytes = 0;
    for (std::size_t at = image.dataOffset; at < size && data[at] != 0;) {
        const std::size_t block = data[at];
        bytes += std::min(block, size - at - 1);
        at += block + 1;
    }
    return bytes;
}

// A code of w bits names a table entry below 1 << w, whose string is at most that many pixels
// long; codes are at most 12 bits wide, so a byte of data stands for at most 4096 * 8 / 12
// pixels, however the table was built. A frame claiming more than its data can fill is refused
// before anything is allocated.
// A canvas beyond the frame is only transparent. Up to 16 million pixels it is believed as
// the screen and the frame's place make it (small odd files show as libvips and Pillow show
// them). A larger one must be earned: its screen no larger than the frame's own data could
// fill, and grown past the screen no further than the frame covers, so that a few bytes, or a
// tiny frame far off its screen followed by any amount of junk, cannot claim a gigabyte.
const char* canvasRefusal(const unsigned char* data, std::size_t size, const GifFirstImage& image,
                          const Placement& place) {
    constexpr std::uint64_t kMaxPixelsPerByte = 4096 * 8 / 12 + 1;
    constexpr std::uint64_t kAnyCanvas = std::uint64_t(1) << 24;
    const std::uint64_t fillable = frameDataBytes(data, size, image) * kMaxPixelsPerByte;
    const std::uint64_t frame = std::uint64_t(image.width) * std::uint64_t(image.height);
    if (frame > fillable)
        return "the first image is larger than its data can hold";
    const std::uint64_t canvas = std::uint64_t(place.canvasWidth) * place.canvasHeight;
    if (canvas <= kAnyCanvas)
        return nullptr;
    const std::uint64_t screen =
        std::uint64_t(image.screenWidth) * std::uint64_t(image.screenHeight);
    if (screen > fillable)
        return "the screen is larger than the first image's data can fill";
    if (canvas > screen + frame)
        return "the first image lies far beyond its screen";
    return nullptr;
}

// Reads the records up to the first image's data (no pixel data) and places the frame.
Status locateFirstImage(const unsigned char* data, std::size_t size, GifFirstImage& image,
                        Placement& place) {
    const Status status = readGifFirstImage(data, size, image);
    return status == Status::Ok ? placeFrame(image, place) : status;
}

Status decodeFirstFrame(const unsigned char* data, std::size_t size, Picture& out) {
    GifFirstImage image;
    Placement place;
    Status status = locateFirstImage(data, size, image, place);
    if (status != Status::Ok)
        return status;
    if (const char* refusal = canvasRefusal(data, size, image, place)) {
        detail::noteDecodeDetail(detail::Severity::Error, refusal);
        return Status::CorruptData;
    }
    const bool withAlpha = image.transparentIndex >= 0 || !coversCanvas(place, image);
    Picture picture;
    status = allocatePicture(place.canvasWidth, place.canvasHeight, withAlpha, picture);
    if (status != Status::Ok)
        return status;
    if (withAlpha)
        picture.image().fill(Qt::transparent);
    status = decodeRows(data, size, image, picture.image());
    if (status != Status::Ok)
        return status;
    if (!image.hasColourMap)
        applyGreyRamp(picture.image());
    out = std::move(picture);
    return Status::Ok;
}

} // namespace

Status decodeGif(const unsigned char* data, std::size_t size, Picture& out) {
    if (data == nullptr)
        return Status::InvalidParameter;
    try {
        return decodeFirstFrame(data, size, out);
    } catch (const std::bad_alloc&) {
        return Status::OutOfMemory;
    }
}

Status measureGif(const unsigned char* data, std::size_t size, QSize& sizeOut) {
    if (data == nullptr)
        return Status::InvalidParameter;
    // The canvas depends on the first frame's size and place, so the records are read up to the
    // first image descriptor.
    try {
        GifFirstImage image;
        Placement place;
        const Status status = locateFirstImage(data, size, image, place);
        if (status == Status::Ok)
            sizeOut = QSize(place.canvasWidth, place.canvasHeight);
        return status;
    } catch (const std::bad_alloc&) {
        return Status::OutOfMemory;
    }
}

} // namespace pix::imaging
