# Writes the 16-bit sources of the HDR test files: the samples are already PQ or HLG signals.
# Top half: eight grey steps of 8 columns; bottom half: the source's pure red, green and blue
# at the reference white's signal, then the reference white's grey (203 cd/m2 in both).
import math, struct, sys
from png16 import png16

W, H = 64, 32


def pq(nits):
    m1, m2 = 2610 / 16384, 2523 / 4096 * 128
    c1, c2, c3 = 3424 / 4096, 2413 / 4096 * 32, 2392 / 4096 * 32
    y = (nits / 10000) ** m1
    return ((c1 + c2 * y) / (1 + c3 * y)) ** m2


PQ_STEPS = [pq(n) for n in (0, 1, 10, 50, 100, 203, 1000, 10000)]
HLG_STEPS = [0, 0.1, 0.25, 0.5, 0.6, 0.75, 0.9, 1.0]


def source(steps, white):
    def pixel(x, y):
        if y < H // 2:
            v = steps[x // 8]
            return v, v, v
        block = x // 16
        if block == 3:
            return white, white, white
        return tuple(white if c == block else 0 for c in range(3))
    return lambda x, y: tuple(int(round(65535 * v)) for v in pixel(x, y))




if __name__ == '__main__' and len(sys.argv) == 1:
    png16('hdr-pq16.png', W, H, source(PQ_STEPS, pq(203)))
    png16('hdr-hlg16.png', W, H, source(HLG_STEPS, 0.75))


# Debian's heif-enc (libheif 1.15) writes no colour description; heifmake --nclx asks libheif
# for one, which it leaves out too. This adds the nclx colr box to a written file's primary
# picture: the box into ipco, its association into ipma, and every size and data offset after.
def add_nclx(path, primaries, transfer, matrix):
    data = bytearray(open(path, 'rb').read())

    def boxes(start, end):
        while start < end:
            size, kind = struct.unpack('>I4s', data[start:start + 8])
            yield start, size, kind.decode()
            start += size

    meta = next(b for b in boxes(0, len(data)) if b[2] == 'meta')
    inner = {k: (s, n) for s, n, k in boxes(meta[0] + 12, meta[0] + meta[1])}
    iprp = inner['iprp']
    parts = {k: (s, n) for s, n, k in boxes(iprp[0] + 8, iprp[0] + iprp[1])}
    colr = struct.pack('>I4s4sHHHB', 19, b'colr', b'nclx', primaries, transfer, matrix, 0x80)
    ipco, ipma = parts['ipco'], parts['ipma']
    count = len(list(boxes(ipco[0] + 8, ipco[0] + ipco[1])))
    item = struct.unpack('>H', data[inner['pitm'][0] + 12:inner['pitm'][0] + 14])[0]
    # ipma: entries of an item id, a count and one-byte associations (version 0, flags 0).
    version, flags = data[ipma[0] + 8], int.from_bytes(data[ipma[0] + 9:ipma[0] + 12], 'big')
    assert version == 0 and flags & 1 == 0 and count + 1 < 128
    pos, added_at = ipma[0] + 16, None
    for _ in range(struct.unpack('>I', data[ipma[0] + 12:ipma[0] + 16])[0]):
        entry_item, n = struct.unpack('>HB', data[pos:pos + 3])
        if entry_item == item:
            data[pos + 2] = n + 1
            added_at = pos + 3 + n
        pos += 3 + n
    assert added_at is not None
    data[added_at:added_at] = bytes([0x80 | (count + 1)])
    data[ipco[0] + ipco[1]:ipco[0] + ipco[1]] = colr
    grown = len(colr) + 1
    for start, add in ((meta[0], grown), (iprp[0], grown), (ipco[0], len(colr)),
                       (ipma[0] + len(colr), 1)):
        struct.pack_into('>I', data, start, struct.unpack('>I', data[start:start + 4])[0] + add)
    # iloc (before iprp, so unmoved): the data offsets move with the grown meta box.
    iloc = inner['iloc'][0]
    version = data[iloc + 8]
    sizes = data[iloc + 12] << 8 | data[iloc + 13]
    offset_size, length_size, base_size = sizes >> 12, (sizes >> 8) & 15, (sizes >> 4) & 15
    index_size = sizes & 15 if version in (1, 2) else 0
    assert inner['iloc'][0] < iprp[0] and version < 2 and offset_size in (0, 4) and base_size in (0, 4)
    pos = iloc + 14
    items = struct.unpack('>H', data[pos:pos + 2])[0]
    pos += 2
    for _ in range(items):
        pos += 2
        method = 0
        if version == 1:
            method = data[pos + 1] & 15
            pos += 2
        pos += 2  # data reference index
        if base_size == 4 and method == 0:
            struct.pack_into('>I', data, pos, struct.unpack('>I', data[pos:pos + 4])[0] + grown)
        pos += base_size
        extents = struct.unpack('>H', data[pos:pos + 2])[0]
        pos += 2
        for _ in range(extents):
            pos += index_size
            if offset_size == 4 and method == 0 and base_size == 0:
                struct.pack_into('>I', data, pos, struct.unpack('>I', data[pos:pos + 4])[0] + grown)
            pos += offset_size + length_size
    open(path, 'wb').write(bytes(data))


if __name__ == '__main__' and len(sys.argv) == 5:
    add_nclx(sys.argv[1], *map(int, sys.argv[2:]))
