// Records that transfer bitmaps onto the target: device-independent bitmaps (StretchDIB,
// DIBStretchBlt, DIBBitBlt, SetDIBitsToDevice) and the older Bitmap16 blits.
#include "platform/wmf/wmfcontext.h"
#include "platform/wmf/wmfdib.h"
#include "platform/wmf/wmfhandlers.h"
#include "platform/wmf/wmfraster.h"
#include "platform/wmf/wmfrecord.h"

namespace pix::wmf {

namespace {

constexpr std::size_t Bitmap16HeaderBytes = 10;

// The source and destination rectangles of a transfer; the source is in bitmap pixels with y
// counted from the top.
struct Transfer {
    std::uint32_t rop = 0;
    QRectF source;
    QRectF dest; // logical
};

// A blit record without a bitmap is exactly as long as its function's high byte says, with a
// reserved word among its parameters.
bool withoutBitmap(const Record& r) {
    return r.words() == std::size_t(r.function() >> 8);
}

QRectF logicalRect(const Record& r, std::size_t yIndex, std::size_t heightIndex) {
    return QRectF(r.s16(yIndex + 1), r.s16(yIndex), r.s16(heightIndex + 1), r.s16(heightIndex));
}

// Crops the source to the bitmap, shrinking the destination in proportion, and draws it.
void transfer(Context& c, const Transfer& t, const QImage& image) {
    if (!c.ready() || image.isNull())
        return;
    QRectF source = t.source;
    // Mapped corner by corner: a negative size stays negative and mirrors the bitmap.
    QRectF dest(c.map(t.dest.topLeft()), c.map(t.dest.bottomRight()));
    if (source.width() < 0) {
        source = QRectF(source.right(), source.top(), -source.width(), source.height());
        dest = QRectF(dest.right(), dest.top(), -dest.width(), dest.height());
    }
    if (source.height() < 0) {
        source = QRectF(source.left(), source.bottom(), source.width(), -source.height());
        dest = QRectF(dest.left(), dest.bottom(), dest.width(), -dest.height());
    }
    const QRectF inside = source.intersected(QRectF(image.rect()));
    if (inside.isEmpty() || source.isEmpty())
        return;
    const double sx = dest.width() / source.width(), sy = dest.height() / source.height();
    const QRectF part(dest.left() + (inside.left() - source.left()) * sx,
                      dest.top() + (inside.top() - source.top()) * sy, inside.width() * sx,
                      inside.height() * sy);
    blitImage(c, part, image.copy(inside.toAlignedRect()), t.rop);
}

// A monochrome Bitmap16 takes the text colour for 0 bits and the background colour for 1s.
QImage blitColours(const Context& c, const DecodedBitmap& bitmap) {
    if (!bitmap.monochrome)
        return bitmap.image;
    QImage image = bitmap.image;
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            row[x] = (row[x] & 0xFFFFFF) == 0 ? c.dc.textColor.rgb() : c.dc.bkColor.rgb();
    }
    return image;
}

// The pixels of a DIB, or false when the DIB is malformed; an unsupported one gives a null
// image and is skipped.
bool dibAt(const Record& r, std::size_t index, int usage, DecodedBitmap& bitmap,
           std::int64_t rows = -1) {
    bitmap = decodeDib(r.bytesFrom(index), r.byteCountFrom(index), usage, rows);
    return bitmap.status != BitmapStatus::Malformed;
}

// The y of a source rectangle counted from the bottom row, as StretchDIBits counts it for a
// bottom-up bitmap, turned into a y counted from the top.
double fromTop(const DecodedBitmap& bitmap, double y, double height) {
    return bitmap.bottomUp ? bitmap.image.height() - y - height : y;
}

bool stretchDib(Context& c, const Record& r) {
    DecodedBitmap bitmap;
    if (!dibAt(r, 11, r.u16(2), bitmap))
        return false;
    Transfer t;
    t.rop = r.u32(0);
    const double srcH = r.s16(3), srcW = r.s16(4);
    t.source = QRectF(r.s16(6), fromTop(bitmap, r.s16(5), srcH), srcW, srcH);
    t.dest = logicalRect(r, 9, 7);
    transfer(c, t, bitmap.image);
    return true;
}

bool patternTransfer(Context& c, const Record& r, std::size_t yIndex, std::size_t heightIndex) {
    if (c.ready())
        blitPattern(c, c.mapRect(logicalRect(r, yIndex, heightIndex)), r.u32(0));
    return true;
}

// DIBStretchBlt and StretchBlt: rop, source height, width, y, x, destination height, width,
// y, x, then the bitmap.
bool stretchBlt(Context& c, const Record& r, bool dib) {
    if (withoutBitmap(r))
        return patternTransfer(c, r, 9, 7);
    const DecodedBitmap bitmap =
        dib ? decodeDib(r.bytesFrom(10), r.byteCountFrom(10), DibRgbColors)
            : decodeBitmap16(r.bytesFrom(10), r.byteCountFrom(10), Bitmap16HeaderBytes);
    if (bitmap.status == BitmapStatus::Malformed)
        return false;
    Transfer t;
    t.rop = r.u32(0);
    t.source = QRectF(r.s16(5), r.s16(4), r.s16(3), r.s16(2));
    t.dest = logicalRect(r, 8, 6);
    transfer(c, t, blitColours(c, bitmap));
    return true;
}

// DIBBitBlt and BitBlt: rop, source y, x, height, width, destination y, x, then the bitmap.
bool bitBlt(Context& c, const Record& r, bool dib) {
    if (withoutBitmap(r))
        return patternTransfer(c, r, 7, 5);
    DecodedBitmap bitmap =
        dib ? decodeDib(r.bytesFrom(8), r.byteCountFrom(8), DibRgbColors)
            : decodeBitmap16(r.bytesFrom(8), r.byteCountFrom(8), Bitmap16HeaderBytes);
    if (bitmap.status == BitmapStatus::Malformed)
        return false;
    Transfer t;
    t.rop = r.u32(0);
    const QSizeF size(r.s16(5), r.s16(4));
    t.source = QRectF(QPointF(r.s16(3), r.s16(2)), size);
    t.dest = QRectF(QPointF(r.s16(7), r.s16(6)), size);
    transfer(c, t, blitColours(c, bitmap));
    return true;
}

bool dibStretchBlt(Context& c, const Record& r) {
    return stretchBlt(c, r, true);
}
bool oldStretchBlt(Context& c, const Record& r) {
    return stretchBlt(c, r, false);
}
bool dibBitBlt(Context& c, const Record& r) {
    return bitBlt(c, r, true);
}
bool oldBitBlt(Context& c, const Record& r) {
    return bitBlt(c, r, false);
}

// SetDIBitsToDevice: the bitmap holds `scans` rows from row `start` (counted from the bottom)
// and is copied unscaled in logical units.
bool setDibToDev(Context& c, const Record& r) {
    DecodedBitmap bitmap;
    if (!dibAt(r, 9, r.u16(0), bitmap, r.u16(1)))
        return false;
    const double start = r.u16(2), height = r.u16(5), width = r.u16(6);
    Transfer t;
    t.rop = rop::SrcCopy;
    t.source = QRectF(r.u16(4), fromTop(bitmap, r.u16(3) - start, height), width, height);
    t.dest = QRectF(r.s16(8), r.s16(7), width, height);
    transfer(c, t, bitmap.image);
    return true;
}

constexpr Handler Handlers[] = {
    {fn::StretchDib, 11, stretchDib},    {fn::DibStretchBlt, 10, dibStretchBlt},
    {fn::StretchBlt, 10, oldStretchBlt}, {fn::DibBitBlt, 8, dibBitBlt},
    {fn::BitBlt, 8, oldBitBlt},          {fn::SetDibToDev, 9, setDibToDev},
};

} // namespace

std::span<const Handler> bitmapHandlers() {
    return Handlers;
}

} // namespace pix::wmf
