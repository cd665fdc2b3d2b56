# Writes files of a few hundred bytes whose headers claim a picture of 16000 x 16000 (or 16383 x
# 16383, WebP's largest): a decoder must refuse them before it allocates what they claim.
import struct

def patched(source, target, edit):
    data = bytearray(open(source, 'rb').read())
    edit(data)
    open(target, 'wb').write(bytes(data))

def ispe(data):  # every picture's ispe property: version and flags, then width and height
    at = data.find(b'ispe')
    while at >= 0:
        data[at + 8:at + 16] = struct.pack('>II', 16000, 16000)
        at = data.find(b'ispe', at + 4)

def vp8l(data):  # the lossless header after RIFF, WEBP, VP8L and the chunk size: 0x2f, 4 bytes
    assert data[12:16] == b'VP8L' and data[20] == 0x2F
    bits = struct.unpack('<I', data[21:25])[0]
    bits = (bits & ~0x0FFFFFFF) | 16382 | (16382 << 14)
    data[21:25] = struct.pack('<I', bits)

def vp8(data):  # the key frame's start code, then 14-bit width and height
    at = data.find(b'\x9d\x01\x2a')
    data[at + 3:at + 7] = struct.pack('<HH', 16383, 16383)

patched('heic-10bit.heic', 'claim-heic.heic', ispe)
patched('avif-10bit.avif', 'claim-avif.avif', ispe)
patched('webp-lossless.webp', 'claim-webp-lossless.webp', vp8l)
patched('webp-lossy.webp', 'claim-webp-lossy.webp', vp8)

# A JPEG XL codestream of the signature and a size header alone, bits written from the lowest:
# not small; height and width as 18-bit values minus one; then default image metadata.
bits = []
def put(value, count):
    bits.extend((value >> i) & 1 for i in range(count))
put(0, 1)
put(2, 2); put(16000 - 1, 18)  # height
put(0, 3)                      # no ratio: the width follows
put(2, 2); put(16000 - 1, 18)  # width
put(1, 1)                      # all_default image metadata
while len(bits) % 8:
    bits.append(0)
body = bytes(sum(bits[i + j] << j for j in range(8)) for i in range(0, len(bits), 8))
open('claim-jxl.jxl', 'wb').write(b'\xff\x0a' + body + bytes(64))
