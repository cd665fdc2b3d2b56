// GIF decoding over giflib's record-level reader. Only the records up to and including the first
// image are read, so a long animation costs no more than its first frame, and damage after the
// first frame does not matter.
//
// How the first frame is shown:
// - The canvas is the logical screen. Where the frame does not cover it the canvas is transparent
//   (what browsers show); the screen's background colour is not painted.
// - A screen of 0x0, or one narrower or lower than the frame, is taken as broken: the canvas is
//   then the frame itself, drawn at (0, 0).
// - A frame reaching past the screen is clipped to it.
// - An index beyond the colour map shows the map's first colour, as ImageMagick does.
// - A frame with neither a local nor a global colour map is drawn with a grey ramp as long as the
//   smallest power of two that holds its largest index (a two-index frame becomes black and
//   white).
#include "platform/imaging/gifdecoder.h"

#include "platform/imaging/decodedetail.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace pix::imaging {
namespace {

// The bytes giflib reads from. Once the first image's data has been located, a truncated data
// block chain is replaced by a closed copy (see closeTruncatedChain), so that giflib's clean-up
// after the last row does not turn a fully decoded frame into an error.
struct ByteSource {
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    std::size_t pos = 0;
    std::vector<unsigned char> repaired;
};

int readBytes(GifFileType* gif, GifByteType* buffer, int length) {
    auto* source = static_cast<ByteSource*>(gif->UserData);
    if (length <= 0 || source->pos >= source->size)
        return 0;
    const std::size_t count =
        std::min<std::size_t>(std::size_t(length), source->size - source->pos);
    std::memcpy(buffer, source->data + source->pos, count);
    source->pos += count;
    return int(count);
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using GifHandle = std::unique_ptr<GifFileType, GifCloser>;

// The status of a giflib error code; its text is kept as the decode's detail.
Status statusOf(int gifError) {
    detail::noteDecodeDetail(detail::Severity::Error, GifErrorString(gifError));
    switch (gifError) {
    case D_GIF_ERR_NOT_GIF_FILE:
        return Status::UnknownImageFormat;
    case D_GIF_ERR_NOT_ENOUGH_MEM:
        return Status::OutOfMemory;
    default:
        return Status::CorruptData;
    }
}

// The first frame's descriptor and what the extensions before it said about it.
struct FirstFrame {
    int left = 0, top = 0, width = 0, height = 0;
    bool interlaced = false;
    const ColorMapObject* colours = nullptr;
    int transparentIndex = NO_TRANSPARENT_COLOR;
};

// Where the frame lands: the canvas size and the frame's origin on it.
struct Placement {
    int canvasWidth = 0, canvasHeight = 0;
    int originX = 0, originY = 0;
};

Status openGif(ByteSource& source, GifHandle& handle) {
    int error = 0;
    handle.reset(DGifOpen(&source, readBytes, &error));
    return handle ? Status::Ok : statusOf(error);
}

// Reads one extension; a graphics control block sets the transparent index of the next frame.
Status readExtension(GifFileType* gif, FirstFrame& frame) {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
        return statusOf(gif->Error);
    if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr) {
        GraphicsControlBlock control;
        if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
            frame.transparentIndex = control.TransparentColor;
    }
    while (block != nullptr) {
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
            return statusOf(gif->Error);
    }
    return Status::Ok;
}

Status readToFirstImage(GifFileType* gif, FirstFrame& frame) {
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR)
            return statusOf(gif->Error);
        if (type == EXTENSION_RECORD_TYPE) {
            if (const Status status = readExtension(gif, frame); status != Status::Ok)
                return status;
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE)
            return Status::CorruptData; // the trailer or junk before any image
        if (DGifGetImageDesc(gif) == GIF_ERROR)
            return statusOf(gif->Error);
        const GifImageDesc& desc = gif->Image;
        frame.left = desc.Left;
        frame.top = desc.Top;
        frame.width = desc.Width;
        frame.height = desc.Height;
        frame.interlaced = desc.Interlace;
        frame.colours = desc.ColorMap != nullptr ? desc.ColorMap : gif->SColorMap;
        return frame.width > 0 && frame.height > 0 ? Status::Ok : Status::CorruptData;
    }
}

Status placeFrame(const GifFileType* gif, const FirstFrame& frame, Placement& place) {
    if (gif->SWidth < frame.width || gif->SHeight < frame.height) {
        place = {frame.width, frame.height, 0, 0};
    } else {
        place = {gif->SWidth, gif->SHeight, frame.left, frame.top};
    }
    return sizeAllowed(place.canvasWidth, place.canvasHeight) ? Status::Ok : Status::TooLarge;
}

bool coversCanvas(const Placement& place, const FirstFrame& frame) {
    return place.originX == 0 && place.originY == 0 && frame.width >= place.canvasWidth &&
           frame.height >= place.canvasHeight;
}

// Called once giflib has read the image descriptor, its colour map and the code size byte, so
// that the image's data blocks start at the read position. If their chain runs past the end of
// the data, serves from a copy whose last, partial block is shortened to the bytes present and
// followed by the chain's terminator. A frame whose pixels are all in the data then decodes; one
// that needs more hits the terminator and fails as before.
void closeTruncatedChain(ByteSource& source) {
    std::size_t at = source.pos;
    while (at < source.size && source.data[at] != 0) {
        const std::size_t blockEnd = at + 1 + source.data[at];
        if (blockEnd > source.size)
            break;
        at = blockEnd;
    }
    if (at < source.size && source.data[at] == 0)
        return; // the chain is complete
    std::vector<unsigned char> copy(source.data + source.pos, source.data + at);
    if (at + 1 < source.size) {
        copy.push_back(static_cast<unsigned char>(source.size - at - 1));
        copy.insert(copy.end(), source.data + at + 1, source.data + source.size);
    }
    copy.push_back(0);
    source.repaired = std::move(copy);
    source.data = source.repaired.data();
    source.size = source.repaired.size();
    source.pos = 0;
}

// The canvas value of each index: opaque colours (the same in RGB32 and premultiplied ARGB32),
// and 0 for the transparent index.
std::array<std::uint32_t, 256> colourTable(const FirstFrame& frame) {
    std::array<std::uint32_t, 256> table{};
    for (int i = 0; i < 256; ++i)
        table[i] = 0xFF000000u | std::uint32_t(i) * 0x010101u; // grey, replaced when mapped
    if (const ColorMapObject* map = frame.colours; map != nullptr && map->ColorCount > 0) {
        const int count = std::min(map->ColorCount, 256);
        for (int i = 0; i < 256; ++i) {
            const GifColorType& c = map->Colors[i < count ? i : 0];
            table[i] = qRgb(c.Red, c.Green, c.Blue);
        }
    }
    if (frame.transparentIndex >= 0 && frame.transparentIndex < 256)
        table[frame.transparentIndex] = 0;
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

class FramePainter {
public:
    FramePainter(QImage& canvas, const Placement& place, const FirstFrame& frame)
        : canvas_(canvas), place_(place), table_(colourTable(frame)),
          visibleWidth_(std::clamp(place.canvasWidth - place.originX, 0, frame.width)),
          row_(std::size_t(frame.width)) {}

    GifPixelType* row() { return row_.data(); }

    // Draws the row just decoded as row y of the frame.
    void draw(int y) {
        const int canvasY = place_.originY + y;
        if (canvasY >= place_.canvasHeight || visibleWidth_ == 0)
            return;
        auto* out = reinterpret_cast<std::uint32_t*>(canvas_.scanLine(canvasY)) + place_.originX;
        for (int x = 0; x < visibleWidth_; ++x)
            out[x] = table_[row_[std::size_t(x)]];
    }

private:
    QImage& canvas_;
    const Placement& place_;
    std::array<std::uint32_t, 256> table_;
    int visibleWidth_;
    std::vector<GifPixelType> row_;
};

Status decodeRows(GifFileType* gif, const FirstFrame& frame, FramePainter& painter) {
    // Interlaced frames arrive in four passes: every 8th row from 0, every 8th from 4, every 4th
    // from 2, every 2nd from 1.
    static constexpr int kStart[] = {0, 4, 2, 1};
    static constexpr int kStep[] = {8, 8, 4, 2};
    const int passes = frame.interlaced ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        const int start = frame.interlaced ? kStart[pass] : 0;
        const int step = frame.interlaced ? kStep[pass] : 1;
        for (int y = start; y < frame.height; y += step) {
            if (DGifGetLine(gif, painter.row(), frame.width) == GIF_ERROR)
                return statusOf(gif->Error);
            painter.draw(y);
        }
    }
    return Status::Ok;
}

// Opens the data and reads the records up to the first image descriptor (no pixel data).
Status locateFirstFrame(ByteSource& source, GifHandle& gif, FirstFrame& frame, Placement& place) {
    Status status = openGif(source, gif);
    if (status == Status::Ok)
        status = readToFirstImage(gif.get(), frame);
    if (status == Status::Ok)
        status = placeFrame(gif.get(), frame, place);
    return status;
}

// An LZW code is at least 3 bits long and stands for at most 4096 pixels (the size of the code
// table), so data shorter than that bound cannot hold the frame its descriptor claims; such a
// frame is refused before its canvas is allocated.
// A logical screen beyond the frame is only transparent canvas, and real files have screens
// of their frames' size; one of more than 16 million pixels is believed only when the data
// could fill it too, so that a few bytes cannot claim a gigabyte canvas.
bool dataCanHoldFrame(const ByteSource& source, const FirstFrame& frame, const Placement& place) {
    constexpr std::uint64_t kMaxPixelsPerByte = 4096 * 8 / 3 + 1;
    constexpr std::uint64_t kAnyCanvas = std::uint64_t(1) << 24;
    const std::uint64_t left = source.size - std::min(source.pos, source.size);
    const std::uint64_t canvas = std::uint64_t(place.canvasWidth) * place.canvasHeight;
    return std::uint64_t(frame.width) * std::uint64_t(frame.height) <= left * kMaxPixelsPerByte &&
           (canvas <= kAnyCanvas || canvas <= left * kMaxPixelsPerByte);
}

Status decodeFirstFrame(ByteSource& source, Picture& out) {
    GifHandle gif;
    FirstFrame frame;
    Placement place;
    Status status = locateFirstFrame(source, gif, frame, place);
    if (status != Status::Ok)
        return status;
    if (!dataCanHoldFrame(source, frame, place))
        return Status::CorruptData;
    const bool withAlpha =
        frame.transparentIndex != NO_TRANSPARENT_COLOR || !coversCanvas(place, frame);
    Picture picture;
    status = allocatePicture(place.canvasWidth, place.canvasHeight, withAlpha, picture);
    if (status != Status::Ok)
        return status;
    if (withAlpha)
        picture.image().fill(Qt::transparent);
    closeTruncatedChain(source);
    FramePainter painter(picture.image(), place, frame);
    status = decodeRows(gif.get(), frame, painter);
    if (status != Status::Ok)
        return status;
    if (frame.colours == nullptr)
        applyGreyRamp(picture.image());
    out = std::move(picture);
    return Status::Ok;
}

} // namespace

Status decodeGif(const unsigned char* data, std::size_t size, Picture& out) {
    if (data == nullptr)
        return Status::InvalidParameter;
    try {
        ByteSource source{data, size, 0, {}};
        return decodeFirstFrame(source, out);
    } catch (const std::bad_alloc&) {
        return Status::OutOfMemory;
    }
}

Status measureGif(const unsigned char* data, std::size_t size, QSize& sizeOut) {
    if (data == nullptr)
        return Status::InvalidParameter;
    // The canvas depends on the first frame's size when the screen is broken, so the records
    // are read up to the first image descriptor.
    ByteSource source{data, size, 0, {}};
    GifHandle gif;
    FirstFrame frame;
    Placement place;
    const Status status = locateFirstFrame(source, gif, frame, place);
    if (status == Status::Ok)
        sizeOut = QSize(place.canvasWidth, place.canvasHeight);
    return status;
}

} // namespace pix::imaging
