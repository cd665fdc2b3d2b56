#include "platform/imaging/jpegdcscans.h"

#include "platform/imaging/jpegdcentropy.h"

#include <algorithm>
#include <array>

namespace pix::imaging::jpeg {

namespace {

// As the libjpeg path: no encoder writes more than a few dozen scans.
constexpr int kMaxScans = 1000;

int ceilDiv(std::int64_t a, std::int64_t b) {
    return int((a + b - 1) / b);
}

unsigned u16(const unsigned char* p) {
    return (unsigned(p[0]) << 8) | p[1];
}

struct ScanComponent {
    DcComponent* component = nullptr;
    int dcTable = 0;
    int predictor = 0;
};

struct Scan {
    std::array<ScanComponent, 4> components;
    int count = 0;
    int ss = 0, se = 0, ah = 0, al = 0;
};

// The decoder's state between markers.
struct Reader {
    const unsigned char* data;
    std::size_t size;
    std::size_t position = 2;
    DcFrame& frame;
    bool haveFrame = false;
    int restartInterval = 0;
    int scans = 0;
    std::array<HuffmanTable, 4> dcTables{};
    std::array<int, 4> q0{};
    std::array<bool, 4> quantDefined{};
};

bool readFrame(Reader& r, const unsigned char* p, unsigned length, int width, int height,
               int count) {
    if (r.haveFrame || length < 6 || p[0] != 8)
        return false;
    const int nf = p[5];
    if (int(u16(p + 1)) != height || int(u16(p + 3)) != width || nf != count ||
        length != 6u + 3u * unsigned(nf))
        return false;
    DcFrame& f = r.frame;
    f.width = width;
    f.height = height;
    f.components.assign(std::size_t(nf), {});
    for (int i = 0; i < nf; ++i) {
        DcComponent& c = f.components[std::size_t(i)];
        const unsigned char* q = p + 6 + 3 * i;
        c.id = q[0];
        c.h = q[1] >> 4;
        c.v = q[1] & 15;
        c.quantTable = q[2];
        if (c.h < 1 || c.h > 4 || c.v < 1 || c.v > 4 || c.quantTable > 3)
            return false;
        for (int j = 0; j < i; ++j)
            if (f.components[std::size_t(j)].id == c.id)
                return false;
        f.hMax = std::max(f.hMax, c.h);
        f.vMax = std::max(f.vMax, c.v);
    }
    const int mcusWide = ceilDiv(width, 8 * f.hMax), mcusHigh = ceilDiv(height, 8 * f.vMax);
    for (DcComponent& c : f.components) {
        // libjpeg enlarges only by whole factors; other files are left to it.
        if (f.hMax % c.h != 0 || f.vMax % c.v != 0)
            return false;
        c.blocksWide = ceilDiv(ceilDiv(std::int64_t(width) * c.h, f.hMax), 8);
        c.blocksHigh = ceilDiv(ceilDiv(std::int64_t(height) * c.v, f.vMax), 8);
        c.paddedWide = mcusWide * c.h;
        c.paddedHigh = mcusHigh * c.v;
    }
    r.haveFrame = true;
    return true;
}

bool readQuantTables(Reader& r, const unsigned char* p, unsigned length) {
    for (unsigned at = 0; at < length;) {
        const int precision = p[at] >> 4, id = p[at] & 15;
        const unsigned bytes = precision == 0 ? 64 : 128;
        if (precision > 1 || id > 3 || length - at < 1 + bytes)
            return false;
        r.q0[std::size_t(id)] = precision == 0 ? p[at + 1] : int(u16(p + at + 1));
        r.quantDefined[std::size_t(id)] = true;
        at += 1 + bytes;
    }
    return true;
}

bool readHuffmanTables(Reader& r, const unsigned char* p, unsigned length) {
    for (unsigned at = 0; at < length;) {
        if (length - at < 17)
            return false;
        const int tableClass = p[at] >> 4, id = p[at] & 15;
        int total = 0;
        for (int i = 0; i < 16; ++i)
            total += p[at + 1 + unsigned(i)];
        if (tableClass > 1 || id > 3 || length - at - 17 < unsigned(total))
            return false;
        // AC tables are never used here, but a broken one is still a broken file.
        HuffmanTable table;
        if (!buildHuffmanTable(p + at + 1, p + at + 17, total, table))
            return false;
        if (tableClass == 0)
            r.dcTables[std::size_t(id)] = table;
        at += 17 + unsigned(total);
    }
    return true;
}

// The checks libjpeg makes of a progressive scan's header, so that nothing it refuses passes.
bool readScanHeader(Reader& r, const unsigned char* p, unsigned length, Scan& scan) {
    if (!r.haveFrame || length < 1)
        return false;
    scan.count = p[0];
    if (scan.count < 1 || scan.count > 4 || length != 4u + 2u * unsigned(scan.count))
        return false;
    int blocksInMcu = 0;
    for (int i = 0; i < scan.count; ++i) {
        ScanComponent& s = scan.components[std::size_t(i)];
        const int id = p[1 + 2 * i];
        for (DcComponent& c : r.frame.components)
            if (c.id == id)
                s.component = &c;
        if (!s.component)
            return false;
        for (int j = 0; j < i; ++j)
            if (scan.components[std::size_t(j)].component == s.component)
                return false;
        s.dcTable = p[2 + 2 * i] >> 4;
        blocksInMcu += s.component->h * s.component->v;
    }
    const unsigned char* q = p + 1 + 2 * scan.count;
    scan.ss = q[0];
    scan.se = q[1];
    scan.ah = q[2] >> 4;
    scan.al = q[2] & 15;
    const bool dc = scan.ss == 0;
    if ((dc && scan.se != 0) || (!dc && (scan.ss > scan.se || scan.se > 63 || scan.count != 1)))
        return false;
    if ((scan.ah != 0 && scan.al != scan.ah - 1) || scan.al > 13)
        return false;
    return scan.count == 1 || blocksInMcu <= 10;
}

bool decodeBlock(BitReader& bits, const HuffmanTable& table, ScanComponent& s, int al,
                 std::size_t index) {
    const int category = bits.symbol(table);
    if (category < 0)
        return false;
    const int extra = category > 0 ? bits.bits(category) : 0;
    if (extra < 0)
        return false;
    // Wrapped as libjpeg's int would be on hostile data; the stored value is its low 16 bits.
    s.predictor = int(unsigned(s.predictor) + unsigned(extendDifference(extra, category)));
    s.component->dc[index] = std::int16_t(std::uint16_t(unsigned(s.predictor) << al));
    return true;
}

// One MCU: a block of a lone component, or each component's h x v blocks of an interleaved scan.
bool decodeMcu(BitReader& bits, Reader& r, Scan& scan, int mcuX, int mcuY) {
    for (int i = 0; i < scan.count; ++i) {
        ScanComponent& s = scan.components[std::size_t(i)];
        DcComponent& c = *s.component;
        const HuffmanTable& table = r.dcTables[std::size_t(s.dcTable)];
        const int across = scan.count == 1 ? 1 : c.h, down = scan.count == 1 ? 1 : c.v;
        for (int y = 0; y < down; ++y)
            for (int x = 0; x < across; ++x) {
                const std::size_t index = std::size_t(mcuY * down + y) * std::size_t(c.paddedWide) +
                                          std::size_t(mcuX * across + x);
                if (!decodeBlock(bits, table, s, scan.al, index))
                    return false;
            }
    }
    return true;
}

bool decodeDcScan(Reader& r, Scan& scan) {
    for (int i = 0; i < scan.count; ++i) {
        const ScanComponent& s = scan.components[std::size_t(i)];
        DcComponent& c = *s.component;
        if (c.hasDc || s.dcTable > 3 || !r.quantDefined[std::size_t(c.quantTable)])
            return false;
        // libjpeg refuses a DC table with a category beyond 15 before the scan's first block.
        const HuffmanTable& table = r.dcTables[std::size_t(s.dcTable)];
        if (!table.defined || table.maxSymbol > 15)
            return false;
        c.q0 = r.q0[std::size_t(c.quantTable)];
        c.dc.assign(std::size_t(c.paddedWide) * std::size_t(c.paddedHigh), 0);
    }
    // A lone component is coded in its own block raster, an interleaved scan in the MCU grid.
    const DcComponent& first = *scan.components[0].component;
    const int mcusWide = scan.count == 1 ? first.blocksWide : first.paddedWide / first.h;
    const int mcusHigh = scan.count == 1 ? first.blocksHigh : first.paddedHigh / first.v;
    BitReader bits(r.data, r.size, r.position);
    const std::int64_t mcus = std::int64_t(mcusWide) * mcusHigh;
    for (std::int64_t m = 0; m < mcus; ++m) {
        if (r.restartInterval > 0 && m > 0 && m % r.restartInterval == 0) {
            if (!bits.restart(int((m / r.restartInterval - 1) % 8)))
                return false;
            for (int i = 0; i < scan.count; ++i)
                scan.components[std::size_t(i)].predictor = 0;
        }
        if (!decodeMcu(bits, r, scan, int(m % mcusWide), int(m / mcusWide)))
            return false;
    }
    for (int i = 0; i < scan.count; ++i)
        scan.components[std::size_t(i)].component->hasDc = true;
    r.position = bits.position();
    return true;
}

bool everyComponentHasItsDc(const DcFrame& frame) {
    for (const DcComponent& c : frame.components)
        if (!c.hasDc)
            return false;
    return true;
}

// A scan: its DC-first data decoded, any other skipped. True when the walk goes on.
bool readScan(Reader& r, const unsigned char* p, unsigned length) {
    Scan scan;
    if (++r.scans > kMaxScans || !readScanHeader(r, p, length, scan))
        return false;
    r.position += 4 + length; // the marker, the length and the header
    if (scan.ss == 0 && scan.ah == 0 && !decodeDcScan(r, scan))
        return false;
    r.position = nextMarker(r.data, r.size, r.position);
    return true;
}

// Reads the segment at the reader's position (its marker already checked); true to go on.
bool readSegment(Reader& r, unsigned char marker, int width, int height, int count) {
    // Markers without a segment (the end of the picture, a restart out of place) end the walk.
    if ((marker >= 0xD0 && marker <= 0xD9) || marker == 0x01 || r.size - r.position < 4)
        return false;
    const unsigned length = u16(r.data + r.position + 2);
    if (length < 2 || r.size - r.position - 2 < length)
        return false;
    const unsigned char* p = r.data + r.position + 4;
    const unsigned body = length - 2;
    bool ok = true;
    if (marker == 0xC2)
        ok = readFrame(r, p, body, width, height, count);
    else if (marker == 0xC4)
        ok = readHuffmanTables(r, p, body);
    else if (marker == 0xDB)
        ok = readQuantTables(r, p, body);
    else if (marker == 0xDD)
        ok = body == 2 && ((r.restartInterval = int(u16(p))), true);
    else if (marker == 0xDA)
        return readScan(r, p, body);
    else
        ok = (marker >= 0xE0 && marker <= 0xEF) || marker == 0xFE; // APPn and comments
    r.position += 2 + length;
    return ok;
}

} // namespace

bool readDcScans(const unsigned char* data, std::size_t size, int width, int height, int components,
                 DcFrame& frame) {
    if (!data || size < 4 || data[0] != 0xFF || data[1] != 0xD8)
        return false;
    Reader r{data, size, 2, frame};
    for (;;) {
        // Fill bytes may come before a marker; anything else is garbage a decoder would guess
        // its way past.
        while (r.position + 1 < size && data[r.position] == 0xFF && data[r.position + 1] == 0xFF)
            ++r.position;
        if (r.position + 1 >= size || data[r.position] != 0xFF)
            return false;
        const unsigned char marker = data[r.position + 1];
        if (!readSegment(r, marker, width, height, components))
            return false;
        if (marker == 0xDA && everyComponentHasItsDc(frame))
            return true;
    }
}

std::uint64_t dcComponentBytes(int width, int height, int hMax, int vMax, int h, int v) {
    const std::uint64_t wide = std::uint64_t(ceilDiv(width, 8 * hMax)) * unsigned(h);
    const std::uint64_t high = std::uint64_t(ceilDiv(height, 8 * vMax)) * unsigned(v);
    return wide * high * sizeof(std::int16_t);
}

} // namespace pix::imaging::jpeg
