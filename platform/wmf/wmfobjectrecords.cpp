// Records that create graphics objects in the object table, select them into the device
// context and delete them. Every valid creation takes a slot, even for an object drawn only
// approximately, so that later indices stay right.
#include "platform/wmf/wmfcontext.h"
#include "platform/wmf/wmfdib.h"
#include "platform/wmf/wmfhandlers.h"
#include "platform/wmf/wmfrecord.h"
#include "platform/wmf/wmftext.h"

namespace pix::wmf {

namespace {

constexpr std::size_t FontFixedWords = 9; // height to pitch and family
constexpr std::size_t FaceNameBytes = 32;
constexpr std::size_t RegionHeaderWords = 11;
constexpr std::size_t PatternHeaderBytes = 32; // partial Bitmap16 and reserved bytes

bool createPen(Context& c, const Record& r) {
    Pen pen;
    pen.style = r.u16(0);
    pen.width = r.s16(1); // the y of the width point is unused
    pen.color = colorRef(r.u32(3));
    c.objects.add(pen);
    return true;
}

bool createBrush(Context& c, const Record& r) {
    Brush brush;
    brush.style = r.u16(0);
    brush.color = colorRef(r.u32(1));
    brush.hatch = r.u16(3);
    if (brush.style != BsSolid && brush.style != BsNull && brush.style != BsHatched) {
        // Pattern styles need a bitmap this record cannot carry: a solid black brush instead.
        brush.style = BsSolid;
        brush.color = Qt::black;
    }
    c.objects.add(brush);
    return true;
}

QString faceName(const Record& r) {
    const unsigned char* bytes = r.bytesFrom(FontFixedWords);
    const std::size_t available = std::min(r.byteCountFrom(FontFixedWords), FaceNameBytes);
    std::size_t length = 0;
    while (length < available && bytes[length] != 0)
        ++length;
    return decodeText(QByteArray(reinterpret_cast<const char*>(bytes), qsizetype(length)), 0);
}

bool createFont(Context& c, const Record& r) {
    Font font;
    font.height = r.s16(0);
    font.width = r.s16(1);
    font.escapement = r.s16(2);
    font.weight = r.s16(4);
    const unsigned char* flags = r.bytesFrom(5);
    font.italic = flags[0] != 0;
    font.underline = flags[1] != 0;
    font.strikeOut = flags[2] != 0;
    font.charset = flags[3];
    font.pitchAndFamily = flags[7];
    font.face = faceName(r);
    c.objects.add(font);
    return true;
}

Brush patternBrush(const DecodedBitmap& bitmap) {
    Brush brush;
    if (bitmap.status != BitmapStatus::Ok) {
        brush.color = Qt::black; // a pattern that cannot be decoded: solid black
        return brush;
    }
    brush.style = BsPattern;
    brush.pattern = bitmap.image;
    return brush;
}

bool dibCreatePatternBrush(Context& c, const Record& r) {
    const int style = r.u16(0);
    const int usage = style == BsPattern ? int(DibRgbColors) : int(r.u16(1));
    const DecodedBitmap bitmap = decodeDib(r.bytesFrom(2), r.byteCountFrom(2), usage);
    if (bitmap.status == BitmapStatus::Malformed)
        return false;
    c.objects.add(patternBrush(bitmap));
    return true;
}

bool createPatternBrush(Context& c, const Record& r) {
    const DecodedBitmap bitmap =
        decodeBitmap16(r.bytesFrom(0), r.byteCountFrom(0), PatternHeaderBytes);
    if (bitmap.status == BitmapStatus::Malformed)
        return false;
    Brush brush = patternBrush(bitmap);
    brush.monoPattern = bitmap.monochrome;
    c.objects.add(brush);
    return true;
}

bool createPalette(Context& c, const Record& r) {
    if (!r.has(2 + 2 * std::size_t(r.u16(1))))
        return false; // fewer entries than it counts
    c.objects.add(Palette{});
    return true;
}

// One scan: a count of x coordinates, top, bottom, the left-right pairs, the count again.
bool readScan(const Record& r, std::size_t& at, Region& region) {
    if (!r.has(at + 3))
        return false;
    const std::size_t count = r.u16(at);
    const int top = r.s16(at + 1), bottom = r.s16(at + 2);
    if (count % 2 != 0 || !r.has(at + 3 + count + 1))
        return false;
    for (std::size_t i = 0; i < count; i += 2) {
        const int left = r.s16(at + 3 + i), right = r.s16(at + 4 + i);
        if (right > left && bottom > top)
            region.rects.emplace_back(left, top, right - left, bottom - top);
    }
    at += 3 + count + 1;
    return true;
}

bool createRegion(Context& c, const Record& r) {
    const int scans = r.s16(5);
    if (scans < 0)
        return false;
    Region region;
    std::size_t at = RegionHeaderWords;
    for (int i = 0; i < scans; ++i)
        if (!readScan(r, at, region))
            return false;
    if (region.rects.size() > MaxRegionRects) {
        QRect outline;
        for (const QRect& rect : region.rects)
            outline |= rect;
        region.rects.assign(1, outline);
    }
    c.objects.add(std::move(region));
    return true;
}

bool selectObject(Context& c, const Record& r) {
    const GdiObject* object = c.objects.find(r.u16(0));
    if (object == nullptr)
        return true; // an empty or deleted slot: the selection stays as it was
    if (const auto* pen = std::get_if<Pen>(object))
        c.dc.pen = *pen;
    else if (const auto* brush = std::get_if<Brush>(object))
        c.dc.brush = *brush;
    else if (const auto* font = std::get_if<Font>(object))
        c.dc.font = *font;
    else if (const auto* region = std::get_if<Region>(object); region && c.ready())
        c.setClip(c.pixelRegion(*region));
    return true;
}

bool deleteObject(Context& c, const Record& r) {
    c.objects.remove(r.u16(0));
    return true;
}

constexpr Handler Handlers[] = {
    {fn::CreatePenIndirect, 5, createPen},
    {fn::CreateBrushIndirect, 4, createBrush},
    {fn::CreateFontIndirect, FontFixedWords, createFont},
    {fn::DibCreatePatternBrush, 2, dibCreatePatternBrush},
    {fn::CreatePatternBrush, PatternHeaderBytes / 2, createPatternBrush},
    {fn::CreatePalette, 2, createPalette},
    {fn::CreateRegion, RegionHeaderWords, createRegion},
    {fn::SelectObject, 1, selectObject},
    {fn::DeleteObject, 1, deleteObject},
};

} // namespace

std::span<const Handler> objectHandlers() {
    return Handlers;
}

} // namespace pix::wmf
