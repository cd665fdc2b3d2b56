#!/usr/bin/env python3
"""Writes the BMP test corpus: small bitmap files of every variant the decoder reads, each beside
a reference PNG of the pixels it must decode to.

Every file's pixels are also computed here. Where ImageMagick reads a variant, the script checks
that ImageMagick's rendering equals the computed pixels and keeps ImageMagick's PNG as the
reference. Where ImageMagick refuses a variant or renders it differently (the cases marked
"computed", with the reason), the reference PNG is written from the computed pixels.

Usage: python3 make_corpus.py   (needs ImageMagick's `convert`; writes into this folder)
"""
import os
import struct
import subprocess
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

# Pictures

def colour(x, y):
    """A colour that differs from its neighbours in every channel."""
    return ((x * 37 + y * 11 + 20) % 256, (y * 53 + x * 7 + 90) % 256, (x * 19 + y * 29 + 150) % 256)


def alpha_at(x, y):
    """Alpha values covering transparent, translucent and opaque pixels."""
    return [0, 255, 128, 64, 200, 255, 17][(x + 2 * y) % 7]


def palette_colour(i):
    return ((i * 71 + 13) % 256, (i * 113 + 200) % 256, (255 - i * 29) % 256)


PALETTE = [palette_colour(i) for i in range(256)]


def rgb_rows(w, h):
    return [[colour(x, y) + (255,) for x in range(w)] for y in range(h)]


def rgba_rows(w, h):
    return [[colour(x, y) + (alpha_at(x, y),) for x in range(w)] for y in range(h)]


def index_rows(w, h, n):
    return [[(x * 3 + y * 5) % n for x in range(w)] for y in range(h)]


def palette_pixels(idx_rows, palette):
    """Pixels of an indexed picture; an index beyond the palette shows black, and a pixel left
    undrawn (None, skipped by a run-length stream) is transparent."""
    return [[(0, 0, 0, 0) if i is None else
             (palette[i] if i < len(palette) else (0, 0, 0)) + (255,) for i in row]
            for row in idx_rows]


# Headers

def bmp(info, pixels, palette=b'', extra=b'', gap=b'', offset=None, file_size=None):
    """A whole file: file header, info header, masks, palette, an optional gap, pixels."""
    body = info + extra + palette + gap
    total = 14 + len(body) + len(pixels)
    off = 14 + len(body) if offset is None else offset
    size = total if file_size is None else file_size
    return b'BM' + struct.pack('<IHHI', size, 0, 0, off) + body + pixels


def core_header(w, h, bits):
    return struct.pack('<IHHHH', 12, w, h, 1, bits)


def info_header(size, w, h, bits, compression=0, clr_used=0, masks=(0, 0, 0, 0)):
    """BITMAPINFOHEADER and its V2..V5 successors, cut at `size` bytes."""
    head = struct.pack('<IiiHHIIiiII', size, w, h, 1, bits, compression, 0, 2835, 2835, clr_used,
                       0)
    head += struct.pack('<IIII', *masks)
    head += struct.pack('<I', 0x73524742) + bytes(36) + bytes(12)  # 'sRGB', endpoints, gamma
    head += struct.pack('<IIII', 4, 0, 0, 0)  # intent, profile offset and size, reserved
    assert size <= len(head)
    return head[:size]


def os2v2_header(size, w, h, bits, compression=0, clr_used=0):
    """OS/2 2.x BITMAPINFOHEADER2, cut at `size` bytes (16 to 64)."""
    head = struct.pack('<IIIHHIIIIII', size, w, h, 1, bits, compression, 0, 2835, 2835, clr_used,
                       0)
    head += struct.pack('<HHHHIIII', 0, 0, 0, 0, 0, 0, 0, 0)
    return head[:size]


def palette_bytes(colours, entry=4):
    out = bytearray()
    for r, g, b in colours:
        out += bytes([b, g, r]) + (b'\0' if entry == 4 else b'')
    return bytes(out)


# Pixel data

def pad4(line):
    return line + bytes(-len(line) % 4)


def stored_order(rows, top_down):
    return rows if top_down else rows[::-1]


def pack_indexed(idx_rows, bits, top_down=False):
    out = bytearray()
    for row in stored_order(idx_rows, top_down):
        line, acc, nbits = bytearray(), 0, 0
        for v in row:
            acc, nbits = (acc << bits) | v, nbits + bits
            if nbits == 8:
                line.append(acc)
                acc, nbits = 0, 0
        if nbits:
            line.append(acc << (8 - nbits))
        out += pad4(bytes(line))
    return bytes(out)


def pack_direct(rows, encode, nbytes, top_down=False):
    out = bytearray()
    for row in stored_order(rows, top_down):
        line = b''.join(encode(*px).to_bytes(nbytes, 'little') for px in row)
        out += pad4(line)
    return bytes(out)


def bgr(r, g, b, a):
    return b | (g << 8) | (r << 16)


def bgra(r, g, b, a):
    return b | (g << 8) | (r << 16) | (a << 24)


# Bit fields: quantise 8-bit channels into masks, and decode them back the way the decoder does
# (bit replication up to 8 bits, rounding above).

def mask_shift_width(mask):
    if mask == 0:
        return 0, 0
    shift = (mask & -mask).bit_length() - 1
    return shift, (mask >> shift).bit_length()


def quantise(c, width):
    if width <= 8:
        return c >> (8 - width)
    top = (1 << width) - 1
    return (c * top + 127) // 255


def expand(v, width):
    if width == 0:
        return 0
    if width > 8:
        top = (1 << width) - 1
        return (v * 255 + top // 2) // top
    out, filled = 0, 0
    while filled < 8:
        out = (out << width) | v
        filled += width
    return out >> (filled - 8)


def field_encoder(masks):
    def encode(r, g, b, a):
        value = 0
        for c, mask in zip((r, g, b, a), masks):
            shift, width = mask_shift_width(mask)
            if width:
                value |= quantise(c, width) << shift
        return value
    return encode


def field_pixels(rows, masks):
    """What a decoder shows for `rows` stored with `masks`; alpha zero everywhere means opaque."""
    fields = [mask_shift_width(m) for m in masks]

    def channel(c, i):
        shift, width = fields[i]
        return expand(quantise(c, width), width) if width else 0

    out = [[tuple(channel(px[i], i) for i in range(3)) +
            ((channel(px[3], 3),) if fields[3][1] else (255,)) for px in row]
           for row in rows]
    if all(px[3] == 0 for row in out for px in row):
        out = [[px[:3] + (255,) for px in row] for row in out]
    return out


# Run-length encoding

def rle_row(row, nibbles):
    """RLE8 (or RLE4 when `nibbles`) of one row: runs of equal values, absolute mode for the rest."""
    out, i, n = bytearray(), 0, len(row)
    while i < n:
        run = 1
        while i + run < n and row[i + run] == row[i] and run < 255:
            run += 1
        j = i
        while j < n and (j + 1 >= n or row[j + 1] != row[j]) and j - i < 255:
            j += 1
        if run >= 2 or j - i < 3:
            out += bytes([run, row[i] * 17 if nibbles else row[i]])
            i += run
            continue
        out += bytes([0, j - i]) + pack_absolute(row[i:j], nibbles)
        i = j
    return bytes(out)


def pack_absolute(values, nibbles):
    if nibbles:
        data = bytearray()
        for k in range(0, len(values), 2):
            lo = values[k + 1] if k + 1 < len(values) else 0
            data.append((values[k] << 4) | lo)
    else:
        data = bytearray(values)
    return bytes(data) + bytes(len(data) % 2)


def rle_stream(idx_rows, nibbles):
    out = b''.join(rle_row(row, nibbles) + b'\0\0' for row in idx_rows[::-1])
    return out + b'\0\1'


def rle_rows(w, h):
    """Rows with runs, odd and even absolute stretches, and a run to the row's end."""
    rows = []
    for y in range(h):
        row = [y % 16] * (2 + y % 3) + [(10 + y + k) % 16 for k in range(3 + y % 4)]
        rows.append((row + [(5 + y) % 16] * w)[:w])
    return rows


def rle_delta(nibbles):
    """A 13x9 stream with a delta, early end-of-line and early end-of-bitmap; undrawn pixels are
    transparent. Returns the stream and the index rows it draws (bottom row first)."""
    w, h = 13, 9
    rows = [[None] * w for _ in range(h)]

    def run(y, x, n, a, b=None):
        b = a if b is None else b
        for k in range(n):
            rows[y][x + k] = a if k % 2 == 0 else b
        return bytes([n, (a << 4 | b) if nibbles else a])

    s = run(0, 0, 13, 1) + b'\0\0'
    s += run(1, 0, 3, 2) + b'\0\2\4\0' + run(1, 7, 2, 3) + b'\0\0'
    s += b'\0\2\2\2' + run(4, 2, 5, 4, 9 if nibbles else None) + b'\0\0'
    absolute = [11, 12, 13, 14, 15]
    rows[5][0:5] = absolute
    s += bytes([0, 5]) + pack_absolute(absolute, nibbles) + run(5, 5, 8, 5) + b'\0\0'
    s += run(6, 0, 4, 6) + b'\0\1'
    return s, rows[::-1]


def rle24_stream(rows):
    """OS/2 RLE24: runs of a BGR triple, absolute stretches of triples padded to a word."""
    out = bytearray()
    for row in rows[::-1]:
        x = 0
        while x < len(row):
            run = 1
            while x + run < len(row) and row[x + run] == row[x]:
                run += 1
            if run >= 2 or len(row) - x < 3:
                r, g, b, _ = row[x]
                out += bytes([run, b, g, r])
                x += run
                continue
            n = min(3 + (x % 2), len(row) - x)
            data = b''.join(bytes([px[2], px[1], px[0]]) for px in row[x:x + n])
            out += bytes([0, n]) + data + bytes(len(data) % 2)
            x += n
        out += b'\0\0'
    return bytes(out + b'\0\1')


def rle24_rows(w, h):
    return [[colour(x // 3 * 3 if y % 2 else x, y) + (255,) for x in range(w)] for y in range(h)]


# The corpus
CASES = []


def case(name, data, pixels, ref='im', why=''):
    CASES.append((name, data, pixels, ref, why))


def indexed_case(name, info_fn, w, h, bits, n=None, entry=4, top_down=False, **kw):
    n = n or (1 << bits)
    idx = index_rows(w, h, n)
    pal = PALETTE[:n]
    hgt = -h if top_down else h
    data = bmp(info_fn(w, hgt, bits), pack_indexed(idx, bits, top_down), palette_bytes(pal, entry))
    case(name, data, palette_pixels(idx, pal), **kw)


def direct_case(name, info, rows, encode, nbytes, expected, top_down=False, extra=b'', **kw):
    case(name, bmp(info, pack_direct(rows, encode, nbytes, top_down), extra=extra), expected, **kw)


def masks_after(*masks):
    return struct.pack('<%dI' % len(masks), *masks)


def build_os2():
    for bits, (w, h) in ((1, (13, 9)), (4, (7, 5)), (8, (7, 5))):
        indexed_case('os2v1-%dbit' % bits, core_header, w, h, bits, entry=3)
    rows = rgb_rows(7, 5)
    direct_case('os2v1-24bit', core_header(7, 5, 24), rows, bgr, 3, rows)
    direct_case('os2v2-16-24bit', os2v2_header(16, 7, 5, 24), rows, bgr, 3, rows, ref='computed',
                why='ImageMagick refuses a 16-byte OS/2 2.x header')
    indexed_case('os2v2-64-8bit', lambda w, h, b: os2v2_header(64, w, h, b), 7, 5, 8, n=256,
                 ref='computed', why='ImageMagick reads 3-byte palette entries after a 64-byte '
                 'header; OS/2 2.x stores 4-byte entries')
    rows24 = rle24_rows(13, 9)
    case('os2v2-64-rle24', bmp(os2v2_header(64, 13, 9, 24, 4), rle24_stream(rows24)), rows24,
         ref='computed', why='ImageMagick does not read OS/2 RLE24')


def build_v3_indexed():
    indexed_case('v3-1bit', lambda w, h, b: info_header(40, w, h, b), 13, 9, 1)
    indexed_case('v3-2bit', lambda w, h, b: info_header(40, w, h, b), 13, 9, 2, ref='computed',
                 why='ImageMagick refuses 2 bits per pixel')
    indexed_case('v3-4bit', lambda w, h, b: info_header(40, w, h, b), 13, 9, 4)
    indexed_case('v3-8bit', lambda w, h, b: info_header(40, w, h, b), 7, 5, 8)
    indexed_case('v3-8bit-topdown', lambda w, h, b: info_header(40, w, h, b), 7, 5, 8,
                 top_down=True)
    indexed_case('v5-8bit', lambda w, h, b: info_header(124, w, h, b), 7, 5, 8)
    # A palette of 6 colours declared by biClrUsed.
    idx = index_rows(7, 5, 6)
    case('v3-8bit-clrused', bmp(info_header(40, 7, 5, 8, clr_used=6), pack_indexed(idx, 8),
                                palette_bytes(PALETTE[:6])), palette_pixels(idx, PALETTE[:6]))
    # Indices up to 9 with 4 palette entries: the missing entries show black.
    idx = index_rows(7, 5, 10)
    case('v3-8bit-index-beyond-palette',
         bmp(info_header(40, 7, 5, 8, clr_used=4), pack_indexed(idx, 8), palette_bytes(PALETTE[:4])),
         palette_pixels(idx, PALETTE[:4]), ref='computed',
         why='ImageMagick shows an index beyond the palette in the first colour; browsers show black')
    # 256 entries declared, 16 stored: bfOffBits points right after them.
    idx = index_rows(7, 5, 16)
    case('v3-8bit-short-palette',
         bmp(info_header(40, 7, 5, 8), pack_indexed(idx, 8), palette_bytes(PALETTE[:16])),
         palette_pixels(idx, PALETTE[:16]), ref='computed',
         why='ImageMagick wants all 256 entries in the file')


def build_v3_direct():
    rows = rgb_rows(7, 5)
    info = info_header(40, 7, 5, 16)
    m555 = (0x7C00, 0x03E0, 0x001F, 0)
    direct_case('v3-16bit-555', info, rows, field_encoder(m555), 2, field_pixels(rows, m555))
    m565 = (0xF800, 0x07E0, 0x001F, 0)
    direct_case('v3-16bit-565-bitfields', info_header(40, 7, 5, 16, 3), rows, field_encoder(m565),
                2, field_pixels(rows, m565), extra=masks_after(*m565[:3]))
    direct_case('v3-24bit', info_header(40, 7, 5, 24), rows, bgr, 3, rows)
    direct_case('v3-24bit-topdown', info_header(40, 7, -5, 24), rows, bgr, 3, rows, top_down=True)
    direct_case('v3-32bit-xrgb', info_header(40, 7, 5, 32), rows, bgr, 4, rows)
    arows = rgba_rows(7, 5)
    # The fourth byte of BI_RGB is unused, whatever it holds: only bit fields name an alpha.
    opaque = [[px[:3] + (255,) for px in row] for row in arows]
    direct_case('v3-32bit-alpha-byte', info_header(40, 7, 5, 32), arows, bgra, 4, opaque,
                ref='computed', why='the fourth byte of BI_RGB is not alpha; ImageMagick reads it '
                'as alpha')
    swapped = (0x000000FF, 0x0000FF00, 0x00FF0000, 0)
    direct_case('v3-32bit-bitfields', info_header(40, 7, 5, 32, 3), rows, field_encoder(swapped),
                4, rows, extra=masks_after(*swapped[:3]))
    argb = (0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000)
    direct_case('v3-32bit-alphabitfields', info_header(40, 7, 5, 32, 6), arows,
                field_encoder(argb), 4, arows, extra=masks_after(*argb), ref='computed',
                why='ImageMagick 6 does not read BI_ALPHABITFIELDS')


def build_later_headers():
    rows, arows = rgb_rows(7, 5), rgba_rows(7, 5)
    m565 = (0xF800, 0x07E0, 0x001F, 0)
    direct_case('info52-16bit-565', info_header(52, 7, 5, 16, 3, masks=m565), rows,
                field_encoder(m565), 2, field_pixels(rows, m565), ref='computed',
                why='ImageMagick reads an alpha mask past the end of a 52-byte header')
    m4444 = (0x0F00, 0x00F0, 0x000F, 0xF000)
    direct_case('info56-16bit-4444-alpha', info_header(56, 7, 5, 16, 3, masks=m4444), arows,
                field_encoder(m4444), 2, field_pixels(arows, m4444), ref='computed',
                why='ImageMagick scales 4-bit channels to at most 240')
    direct_case('v4-24bit', info_header(108, 7, 5, 24), rows, bgr, 3, rows)
    m1555 = (0x7C00, 0x03E0, 0x001F, 0x8000)
    direct_case('v4-16bit-1555-alpha', info_header(108, 7, 5, 16, 3, masks=m1555), arows,
                field_encoder(m1555), 2, field_pixels(arows, m1555), ref='computed',
                why='ImageMagick shows a 1-bit alpha of 1 as half transparent')
    argb = (0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000)
    direct_case('v4-32bit-alpha-bitfields', info_header(108, 7, 5, 32, 3, masks=argb), arows,
                field_encoder(argb), 4, arows)
    big = rgba_rows(13, 9)
    direct_case('v5-32bit-alpha-bitfields', info_header(124, 13, 9, 32, 3, masks=argb), big,
                field_encoder(argb), 4, big)
    zero = [[px[:3] + (0,) for px in row] for row in rows]
    direct_case('v5-32bit-zero-alpha', info_header(124, 7, 5, 32, 3, masks=argb), zero,
                field_encoder(argb), 4, rows, ref='computed',
                why='an alpha mask with zero alpha everywhere is shown opaque; ImageMagick shows '
                'nothing')
    direct_case('v5-32bit-rgb', info_header(124, 7, 5, 32, masks=argb), rows, bgr, 4, rows)
    opaque = [[px[:3] + (255,) for px in row] for row in arows]
    direct_case('v5-32bit-rgb-alpha-byte', info_header(124, 7, 5, 32), arows, bgra, 4, opaque,
                ref='computed', why='the fourth byte of BI_RGB is not alpha')
    # Raw 10-bit values, most of them between two 8-bit levels, with a full 2-bit alpha.
    m1010 = (0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000)
    raw = [[((x * 151 + y * 37) % 1024, (x * 59 + y * 211 + 300) % 1024,
             (x * 233 + y * 7 + 3) % 1024, 3) for x in range(7)] for y in range(5)]
    wide = [[tuple(expand(v, 10) for v in px[:3]) + (255,) for px in row] for row in raw]
    direct_case('v5-32bit-2-10-10-10', info_header(124, 7, 5, 32, 3, masks=m1010), raw,
                lambda r, g, b, a: a << 30 | r << 20 | g << 10 | b, 4, wide, ref='computed',
                why='ImageMagick truncates 10-bit channels and scales a 2-bit '
                'alpha to at most 192')


def build_rle():
    rows = rle_rows(13, 9)
    pal = PALETTE[:16]
    for name, bits, comp, nib in (('v3-rle8', 8, 1, False), ('v3-rle4', 4, 2, True)):
        info = info_header(40, 13, 9, bits, comp, clr_used=16)
        data = bmp(info, rle_stream(rows, nib), palette_bytes(pal))
        case(name, data, palette_pixels(rows, pal))
        stream, drawn = rle_delta(nib)
        data = bmp(info, stream, palette_bytes(pal))
        case(name + '-delta', data, palette_pixels(drawn, pal), ref='computed',
             why='ImageMagick shows skipped pixels in the first colour; browsers leave them '
                 'transparent')


def build_file_header_quirks():
    idx = index_rows(7, 5, 16)
    pal, pixels = PALETTE[:16], pack_indexed(index_rows(7, 5, 16), 8)
    info = info_header(40, 7, 5, 8, clr_used=16)
    expected = palette_pixels(idx, pal)
    case('bad-bfsize', bmp(info, pixels, palette_bytes(pal), file_size=0x7FFFFFF0), expected,
         ref='computed', why='ImageMagick refuses a bfSize beyond the end of the file')
    case('zero-bfoffbits', bmp(info, pixels, palette_bytes(pal), offset=0), expected,
         ref='computed', why='ImageMagick refuses a bfOffBits of 0')
    case('bfoffbits-past-end', bmp(info, pixels, palette_bytes(pal), offset=0x10000), expected,
         ref='computed', why='ImageMagick refuses a bfOffBits beyond the end of the file')
    case('gap-before-pixels', bmp(info, pixels, palette_bytes(pal), gap=b'\xAA' * 10), expected)
    rows = rgb_rows(7, 5)
    short = pack_direct(rows, bgr, 3)[:-3]
    case('v3-24bit-short-last-row', bmp(info_header(40, 7, 5, 24), short), rows, ref='computed',
         why='ImageMagick refuses a last row without its padding')


# Output

def png_bytes(rows):
    h, w = len(rows), len(rows[0])
    raw = b''.join(b'\0' + bytes(c for px in row for c in px) for row in rows)

    def chunk(kind, payload):
        crc = zlib.crc32(kind + payload) & 0xFFFFFFFF
        return struct.pack('>I', len(payload)) + kind + payload + struct.pack('>I', crc)

    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def imagemagick_pixels(path):
    """ImageMagick's rendering as RGBA rows, or None when it does not read the file."""
    result = subprocess.run(['convert', path, '-depth', '8', 'rgba:-'], capture_output=True)
    # A warning (an index beyond the palette) gives a non-zero exit status but a full picture.
    return result.stdout or None


def write_case(name, data, pixels, ref, why):
    bmp_path, png_path = (os.path.join(HERE, name + ext) for ext in ('.bmp', '.png'))
    with open(bmp_path, 'wb') as f:
        f.write(data)
    seen = imagemagick_pixels(bmp_path)
    agrees = seen == bytes(c for row in pixels for px in row for c in px)
    if ref == 'im':
        if not agrees:
            sys.exit('%s: ImageMagick does not show the computed pixels' % name)
        subprocess.run(['convert', bmp_path, '-depth', '8', '-strip', png_path],
                       capture_output=True)
        if not os.path.exists(png_path):
            sys.exit('%s: ImageMagick wrote no reference' % name)
        return
    with open(png_path, 'wb') as f:
        f.write(png_bytes(pixels))
    verdict = 'refuses it' if seen is None else 'agrees' if agrees else 'differs'
    print('%-32s computed (ImageMagick %s): %s' % (name, verdict, why))


def main():
    for old in os.listdir(HERE):
        if old.endswith('.bmp') or old.endswith('.png'):
            os.remove(os.path.join(HERE, old))
    for build in (build_os2, build_v3_indexed, build_v3_direct, build_later_headers, build_rle,
                  build_file_header_quirks):
        build()
    for c in CASES:
        write_case(*c)
    print('%d files written' % len(CASES))


if __name__ == '__main__':
    main()
