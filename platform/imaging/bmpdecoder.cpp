#include "platform/imaging/bmpdecoder.h"

#include "platform/imaging/bmpheader.h"
#include "platform/imaging/decodedetail.h"

#include <algorithm>
#include <array>

namespace pix::imaging {
namespace {

using bmp::Channel;
using bmp::Encoding;
using bmp::Header;

// Colours by index. Indices beyond the entries the file gives show black, as browsers show them.
using Palette = std::array<QRgb, 256>;

Status loadPalette(const unsigned char* data, std::size_t size, const Header& h, Palette& pal) {
    pal.fill(qRgb(0, 0, 0));
    if (h.paletteEntries == 0)
        return Status::Ok;
    // The palette ends where the pixels start: a file may declare more entries than it stores.
    const std::size_t end = std::min(size, h.pixelOffset);
    const std::size_t room =
        end > h.paletteOffset ? (end - h.paletteOffset) / std::size_t(h.paletteEntrySize) : 0;
    const int count = int(std::min(room, std::size_t(h.paletteEntries)));
    if (count == 0)
        return Status::CorruptData;
    for (int i = 0; i < count; ++i) {
        const unsigned char* p = data + h.paletteOffset + std::size_t(i) * h.paletteEntrySize;
        pal[i] = qRgb(p[2], p[1], p[0]);
    }
    return Status::Ok;
}

// Widens a channel of a bit-field pixel to 8 bits: narrow channels by repeating their bits
// (5-bit 0x1F gives 0xFF, 0x10 gives 0x84), wide ones by rounding v * 255 / max.
class ChannelScale {
public:
    explicit ChannelScale(const Channel& c) : c_(c) {
        if (c.width == 0 || c.width > 8)
            return;
        for (std::uint32_t v = 0; v < (1u << c.width); ++v) {
            std::uint32_t bits = 0;
            int filled = 0;
            for (; filled < 8; filled += c.width)
                bits = bits << c.width | v;
            table_[v] = std::uint8_t(bits >> (filled - 8));
        }
    }

    int operator()(std::uint32_t pixel) const {
        const std::uint32_t v = (pixel & c_.mask) >> c_.shift;
        if (c_.width <= 8)
            return table_[v];
        const std::uint64_t top = (std::uint64_t(1) << c_.width) - 1;
        return int((v * std::uint64_t(255) + top / 2) / top);
    }

private:
    Channel c_;
    std::array<std::uint8_t, 256> table_{};
};

std::uint32_t fieldPixel(const unsigned char* p, int bytes) {
    std::uint32_t v = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8;
    if (bytes == 4)
        v |= std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
    return v;
}

// Where the rows of an uncompressed picture lie in the file.
struct RowLayout {
    const unsigned char* first = nullptr; // the stored first row (the bottom one unless top-down)
    std::int64_t stride = 0;

    const unsigned char* row(const Header& h, int y) const {
        return first + stride * (h.topDown ? y : h.height - 1 - y);
    }
};

// Rows are padded to 4 bytes. A short last row is accepted when only its padding is missing.
Status layRows(const unsigned char* data, std::size_t size, const Header& h, RowLayout& rows) {
    const std::int64_t bits = std::int64_t(h.width) * h.bitCount;
    rows.stride = (bits + 31) / 32 * 4;
    const std::uint64_t needed =
        std::uint64_t(rows.stride) * std::uint64_t(h.height - 1) + std::uint64_t((bits + 7) / 8);
    if (h.pixelOffset > size || needed > size - h.pixelOffset)
        return Status::CorruptData;
    rows.first = data + h.pixelOffset;
    return Status::Ok;
}

// An alpha channel that is zero everywhere is an unused byte, and one that is full everywhere
// says nothing either: both give an opaque picture.
bool usesAlpha(const Header& h, const RowLayout& rows) {
    if (h.encoding != Encoding::BitFields || h.alpha.width == 0)
        return false;
    const ChannelScale alpha(h.alpha);
    const int bytes = h.bitCount / 8;
    bool someVisible = false, someTranslucent = false;
    for (int y = 0; y < h.height; ++y) {
        const unsigned char* p = rows.row(h, y);
        for (int x = 0; x < h.width; ++x, p += bytes) {
            const int a = alpha(fieldPixel(p, bytes));
            someVisible |= a != 0;
            someTranslucent |= a != 255;
        }
    }
    return someVisible && someTranslucent;
}

void indexedRow(const unsigned char* src, QRgb* dst, const Header& h, const Palette& pal) {
    const int perByte = 8 / h.bitCount;
    const unsigned mask = (1u << h.bitCount) - 1;
    for (int x = 0; x < h.width; ++x) {
        const int shift = 8 - h.bitCount * (x % perByte + 1);
        dst[x] = pal[(src[x / perByte] >> shift) & mask];
    }
}

void bgrRow(const unsigned char* src, QRgb* dst, int width) {
    for (int x = 0; x < width; ++x, src += 3)
        dst[x] = qRgb(src[2], src[1], src[0]);
}

struct FieldScales {
    explicit FieldScales(const Header& h) : r(h.red), g(h.green), b(h.blue), a(h.alpha) {}
    ChannelScale r, g, b, a;
};

void fieldRow(const unsigned char* src, QRgb* dst, const Header& h, const FieldScales& s,
              bool withAlpha) {
    const int bytes = h.bitCount / 8;
    for (int x = 0; x < h.width; ++x, src += bytes) {
        const std::uint32_t v = fieldPixel(src, bytes);
        dst[x] = withAlpha ? qPremultiply(qRgba(s.r(v), s.g(v), s.b(v), s.a(v)))
                           : qRgb(s.r(v), s.g(v), s.b(v));
    }
}

Status decodeRows(const unsigned char* data, std::size_t size, const Header& h, const Palette& pal,
                  Picture& out) {
    RowLayout rows;
    Status status = layRows(data, size, h, rows);
    if (status != Status::Ok)
        return status;
    const bool withAlpha = usesAlpha(h, rows);
    if ((status = allocatePicture(h.width, h.height, withAlpha, out)) != Status::Ok)
        return status;
    const FieldScales scales(h);
    QImage& image = out.image();
    for (int y = 0; y < h.height; ++y) {
        const unsigned char* src = rows.row(h, y);
        auto* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
        if (h.encoding == Encoding::Indexed)
            indexedRow(src, dst, h, pal);
        else if (h.encoding == Encoding::Bgr24)
            bgrRow(src, dst, h.width);
        else
            fieldRow(src, dst, h, scales, withAlpha);
    }
    return Status::Ok;
}

// Plays a run-length encoded stream (RLE8, RLE4 or OS/2 RLE24) onto a transparent picture, as
// browsers show these files: pixels the stream skips with a delta or an early end of line or of
// bitmap stay transparent; runs and moves beyond the row or the picture are clipped; a stream cut
// short keeps the pixels drawn so far, with a note.
class RleDecoder {
public:
    RleDecoder(const Header& h, const Palette& pal, QImage& image)
        : h_(h), pal_(pal), image_(image) {}

    // CorruptData when the data ends before the stream has drawn anything.
    Status play(const unsigned char* p, const unsigned char* end);
    // The data ended before the end of the bitmap, inside a run or before the last row.
    bool cut() const { return cut_; }

private:
    bool escape(int code);
    int unitBytes() const { return h_.encoding == Encoding::Rle24 ? 3 : 1; }
    std::size_t absoluteBytes(int count) const;
    QRgb* line() {
        return reinterpret_cast<QRgb*>(image_.scanLine(h_.topDown ? y_ : h_.height - 1 - y_));
    }
    // Where a run of count pixels starts in the row, and how many of them (n) fall within it;
    // null when none does. Notes the first run cut at the row's end.
    QRgb* target(int count, int& n);
    void drawRun(int count, const unsigned char* unit);
    void drawAbsolute(int count, const unsigned char* bytes);

    const Header& h_;
    const Palette& pal_;
    QImage& image_;
    const unsigned char* p_ = nullptr;
    const unsigned char* end_ = nullptr;
    int x_ = 0;
    int y_ = 0;
    bool finished_ = false;
    bool drawn_ = false;
    bool noted_ = false;
    bool cut_ = false;
};

Status RleDecoder::play(const unsigned char* p, const unsigned char* end) {
    p_ = p;
    end_ = end;
    while (y_ < h_.height && !finished_) {
        if (end_ - p_ < 2) {
            cut_ = true;
            break;
        }
        const int count = *p_++;
        if (count == 0) {
            cut_ = !escape(*p_++);
            continue;
        }
        if (end_ - p_ < unitBytes()) {
            cut_ = true;
            break;
        }
        drawRun(count, p_);
        p_ += unitBytes();
        x_ += count;
    }
    return cut_ && !drawn_ ? Status::CorruptData : Status::Ok;
}

// False when the data ends inside the escape.
bool RleDecoder::escape(int code) {
    if (code == 0) { // end of line
        x_ = 0;
        ++y_;
        return true;
    }
    if (code == 1) { // end of bitmap
        finished_ = true;
        return true;
    }
    if (code == 2) { // delta: move right and on by rows
        if (end_ - p_ < 2) {
            finished_ = true;
            return false;
        }
        x_ += p_[0];
        y_ += p_[1];
        p_ += 2;
        return true;
    }
    // Absolute mode: `code` pixels stored as they are, padded to a 16-bit boundary.
    const std::size_t bytes = absoluteBytes(code);
    if (std::size_t(end_ - p_) < bytes) {
        finished_ = true;
        return false;
    }
    drawAbsolute(code, p_);
    p_ += std::min(bytes + bytes % 2, std::size_t(end_ - p_));
    x_ += code;
    return true;
}

std::size_t RleDecoder::absoluteBytes(int count) const {
    switch (h_.encoding) {
    case Encoding::Rle4:
        return std::size_t(count + 1) / 2;
    case Encoding::Rle24:
        return std::size_t(count) * 3;
    default:
        return std::size_t(count);
    }
}

QRgb* RleDecoder::target(int count, int& n) {
    n = std::clamp(h_.width - x_, 0, count);
    if (n < count && !noted_) {
        detail::noteDecodeDetail(detail::Severity::Note,
                                 "a run goes past the end of its row; it is cut there");
        noted_ = true;
    }
    if (n == 0)
        return nullptr;
    drawn_ = true;
    return line() + x_;
}

void RleDecoder::drawRun(int count, const unsigned char* unit) {
    int n = 0;
    QRgb* dst = target(count, n);
    if (!dst)
        return;
    if (h_.encoding == Encoding::Rle24) {
        std::fill(dst, dst + n, qRgb(unit[2], unit[1], unit[0]));
    } else if (h_.encoding == Encoding::Rle8) {
        std::fill(dst, dst + n, pal_[unit[0]]);
    } else { // RLE4 runs alternate the byte's two nibbles
        for (int i = 0; i < n; ++i)
            dst[i] = pal_[i % 2 == 0 ? unit[0] >> 4 : unit[0] & 0x0F];
    }
}

void RleDecoder::drawAbsolute(int count, const unsigned char* bytes) {
    int n = 0;
    QRgb* dst = target(count, n);
    if (!dst)
        return;
    for (int i = 0; i < n; ++i) {
        if (h_.encoding == Encoding::Rle24)
            dst[i] = qRgb(bytes[3 * i + 2], bytes[3 * i + 1], bytes[3 * i]);
        else if (h_.encoding == Encoding::Rle8)
            dst[i] = pal_[bytes[i]];
        else
            dst[i] = pal_[i % 2 == 0 ? bytes[i / 2] >> 4 : bytes[i / 2] & 0x0F];
    }
}

// A run stands for at most 255 pixels and takes two bytes (RLE24: four). Deltas and early ends
// may skip any number of pixels, but a stream of a few bytes that claims a picture of more than
// 16 million pixels is not believed: the picture would be cleared in full before a byte of it
// is read.
bool rleCanHoldPicture(const Header& h, std::size_t streamBytes) {
    constexpr std::uint64_t kPixelsPerByte = 128, kAnyPicture = std::uint64_t(1) << 24;
    const std::uint64_t pixels = std::uint64_t(h.width) * std::uint64_t(h.height);
    return pixels <= kAnyPicture || pixels <= std::uint64_t(streamBytes) * kPixelsPerByte;
}

Status decodeRle(const unsigned char* data, std::size_t size, const Header& h, const Palette& pal,
                 Picture& out) {
    if (h.pixelOffset >= size || !rleCanHoldPicture(h, size - h.pixelOffset))
        return Status::CorruptData;
    Picture picture;
    Status status = allocatePicture(h.width, h.height, true, picture);
    if (status != Status::Ok)
        return status;
    picture.image().fill(Qt::transparent);
    RleDecoder decoder(h, pal, picture.image());
    if ((status = decoder.play(data + h.pixelOffset, data + size)) != Status::Ok)
        return status;
    // A stream that draws every pixel gives an opaque picture: the same pixels, as RGB32. (Without
    // its end-of-bitmap mark it is whole all the same.)
    if (!hasTranslucentPixels(picture.image()))
        picture.image().reinterpretAsFormat(QImage::Format_RGB32);
    else if (decoder.cut())
        detail::noteDecodeDetail(detail::Severity::Note,
                                 "the run-length data ends before the picture does; the rest is "
                                 "transparent");
    out = std::move(picture);
    return Status::Ok;
}

bool isRle(Encoding e) {
    return e == Encoding::Rle8 || e == Encoding::Rle4 || e == Encoding::Rle24;
}

Status decodeWithHeader(const unsigned char* data, std::size_t size, const Header& h,
                        Picture& out) {
    Palette pal;
    Status status = loadPalette(data, size, h, pal);
    if (status != Status::Ok)
        return status;
    Picture picture;
    status = isRle(h.encoding) ? decodeRle(data, size, h, pal, picture)
                               : decodeRows(data, size, h, pal, picture);
    if (status == Status::Ok)
        out = std::move(picture);
    return status;
}

using HeaderReader = Status (*)(const unsigned char*, std::size_t, Header&);

template <HeaderReader readHeader>
Status decodeWith(const unsigned char* data, std::size_t size, Picture& out) {
    Header h;
    const Status status = readHeader(data, size, h);
    return status == Status::Ok ? decodeWithHeader(data, size, h, out) : status;
}

template <HeaderReader readHeader>
Status measureWith(const unsigned char* data, std::size_t size, QSize& size_out) {
    Header h;
    const Status status = readHeader(data, size, h);
    if (status == Status::Ok)
        size_out = QSize(h.width, h.height);
    return status;
}

} // namespace

Status decodeBmp(const unsigned char* data, std::size_t size, Picture& out) {
    return decodeWith<bmp::readHeader>(data, size, out);
}

Status measureBmp(const unsigned char* data, std::size_t size, QSize& size_out) {
    return measureWith<bmp::readHeader>(data, size, size_out);
}

bool isDibData(const unsigned char* data, std::size_t size) {
    return bmp::looksLikeDib(data, size);
}

Status decodeDib(const unsigned char* data, std::size_t size, Picture& out) {
    return decodeWith<bmp::readDibHeader>(data, size, out);
}

Status measureDib(const unsigned char* data, std::size_t size, QSize& size_out) {
    return measureWith<bmp::readDibHeader>(data, size, size_out);
}

} // namespace pix::imaging
