# Writes the source pictures of the format test files (Debian's python3-pil).
import math
from PIL import Image
from png16 import png16

W, H = 64, 48
QUAD = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0)]  # top left, top right, bottom left, bottom right

quad = Image.new('RGB', (W, H))
quad.putdata([QUAD[(x >= W // 2) + 2 * (y >= H // 2)] for y in range(H) for x in range(W)])
quad.save('quad.png')

exif = Image.Exif()
exif[0x0112] = 6  # orientation: turn 90 degrees clockwise to show
quad.save('quad-o6.jpg', quality=95, exif=exif.tobytes())

# Smooth colours that need more than 8 bits: a 16-bit RGB PNG, written directly (PIL writes
# no 16-bit RGB).
def scene16(x, y):
    r = int(65535 * x / (W - 1))
    g = int(65535 * y / (H - 1))
    b = int(65535 * (0.5 + 0.4 * math.sin(x / 7.0 + y / 5.0)))
    return r, g, b

png16('scene16.png', W, H, scene16)
scene = Image.new('RGB', (W, H))
scene.putdata([tuple((v * 255 + 32767) // 65535 for v in scene16(x, y)) for y in range(H) for x in range(W)])
scene.save('scene.png')

# A picture whose quadrants do not line up with the 64 x 48 tiles of a grid.
big = Image.new('RGB', (120, 90))
big.putdata([QUAD[(x >= 60) + 2 * (y >= 45)] for y in range(90) for x in range(120)])
big.save('quad-120x90.png')

# Alpha: the quadrants fading from opaque (left) to transparent (right), a clear top-left corner.
alpha = Image.new('RGBA', (W, H))
alpha.putdata([QUAD[(x >= W // 2) + 2 * (y >= H // 2)] + (0 if x < 8 and y < 8 else 255 - x * 3,)
               for y in range(H) for x in range(W)])
alpha.save('alpha.png')

# Three frames of an animation.
for i, colour in enumerate([(200, 30, 30), (30, 200, 30), (30, 30, 200)]):
    frame = quad.copy() if i == 0 else Image.new('RGB', (W, H), colour)
    frame.save('frame%d.png' % (i + 1))
frames = [Image.open('frame%d.png' % (i + 1)) for i in range(3)]
frames[0].save('anim.png', save_all=True, append_images=frames[1:], duration=100, loop=0)
