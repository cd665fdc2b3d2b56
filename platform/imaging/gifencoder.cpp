// GIF encoding over giflib's sequential writer: one GIF89a frame covering the whole screen,
// non-interlaced, with the quantised palette as the global colour map and, when the picture has
// fully transparent pixels, a graphics control block naming the transparent index.
#include "platform/imaging/gifencoder.h"

#include "platform/imaging/quantizer.h"

#include <gif_lib.h>

#include <algorithm>
#include <bit>
#include <new>
#include <vector>

namespace pix::imaging {
namespace {

// Where giflib's output goes. giflib does not check every write it makes (the trailer written
// when closing is not), so a failed write is also remembered here.
struct Sink {
    QIODevice* device = nullptr;
    bool failed = false;
};

int writeBytes(GifFileType* gif, const GifByteType* bytes, int length) {
    auto* sink = static_cast<Sink*>(gif->UserData);
    if (sink->failed)
        return 0;
    if (sink->device->write(reinterpret_cast<const char*>(bytes), length) != length) {
        sink->failed = true;
        return 0;
    }
    return length;
}

// A giflib colour map of the palette, padded to the power of two (at least 2) that giflib needs.
ColorMapObject* makeColourMap(const Palette& palette) {
    const int size = int(std::bit_ceil(std::max<std::size_t>(palette.colours.size(), 2)));
    std::vector<GifColorType> colours(std::size_t(size), GifColorType{0, 0, 0});
    for (std::size_t i = 0; i < palette.colours.size(); ++i) {
        const QRgb c = palette.colours[i];
        colours[i] = {GifByteType(qRed(c)), GifByteType(qGreen(c)), GifByteType(qBlue(c))};
    }
    return GifMakeMapObject(size, colours.data());
}

bool putTransparency(GifFileType* gif, int transparentIndex) {
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSAL_UNSPECIFIED;
    control.UserInputFlag = false;
    control.DelayTime = 0;
    control.TransparentColor = transparentIndex;
    GifByteType block[4];
    const auto length = EGifGCBToExtension(&control, block);
    return EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(length), block) == GIF_OK;
}

// Writes everything but the trailer, which closing the file adds.
bool writeFrame(GifFileType* gif, int width, int height, const Palette& palette,
                std::vector<std::uint8_t>& indices) {
    ColorMapObject* map = makeColourMap(palette);
    if (map == nullptr)
        return false;
    EGifSetGifVersion(gif, true);
    const bool described = EGifPutScreenDesc(gif, width, height, 8, 0, map) == GIF_OK;
    GifFreeMapObject(map); // giflib keeps its own copy
    if (!described)
        return false;
    if (palette.transparentIndex >= 0 && !putTransparency(gif, palette.transparentIndex))
        return false;
    if (EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_ERROR)
        return false;
    for (int y = 0; y < height; ++y) {
        GifPixelType* row = indices.data() + std::size_t(y) * std::size_t(width);
        if (EGifPutLine(gif, row, width) == GIF_ERROR)
            return false;
    }
    return true;
}

Status encode(const Picture& picture, QIODevice& device) {
    Palette palette;
    std::vector<std::uint8_t> indices;
    if (const Status status = quantize(picture.toStraightArgb(), 256, palette, indices);
        status != Status::Ok)
        return status;
    Sink sink{&device};
    int error = 0;
    GifFileType* gif = EGifOpen(&sink, writeBytes, &error);
    if (gif == nullptr)
        return error == E_GIF_ERR_NOT_ENOUGH_MEM ? Status::OutOfMemory : Status::WriteFailed;
    const bool written = writeFrame(gif, picture.width(), picture.height(), palette, indices);
    // Closing frees giflib's state on every path, and writes the trailer.
    const bool closed = EGifCloseFile(gif, &error) == GIF_OK;
    return written && closed && !sink.failed ? Status::Ok : Status::WriteFailed;
}

} // namespace

Status encodeGif(const Picture& picture, QIODevice& device) {
    if (picture.isNull())
        return Status::InvalidParameter;
    if (picture.width() > 0xFFFF || picture.height() > 0xFFFF)
        return Status::TooLarge; // sides are 16-bit in the file
    if (!device.isWritable())
        return Status::WriteFailed;
    try {
        return encode(picture, device);
    } catch (const std::bad_alloc&) {
        return Status::OutOfMemory;
    }
}

} // namespace pix::imaging
