# A 16-bit RGB PNG written directly (PIL writes no 16-bit RGB): pixel(x, y) gives the samples.
import struct, zlib


def png16(path, width, height, pixel):
    raw = b''.join(b'\0' + b''.join(struct.pack('>HHH', *pixel(x, y)) for x in range(width))
                   for y in range(height))
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
    with open(path, 'wb') as f:
        f.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 16, 2, 0, 0, 0))
                + chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b''))
