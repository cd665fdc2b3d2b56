"""Real test pictures, made fresh for every road, and checks of the files a run writes."""

import os

from PIL import Image

# Stored 120 x 80, upright 80 x 120: the Exif orientation 6 says "turn a quarter clockwise".
PHOTO_STORED = (120, 80)
EXIF_ORIENTATION = 0x0112


def _two_halves(size, left, right, mode="RGB"):
    picture = Image.new(mode, size, left)
    picture.paste(right, (size[0] // 2, 0, size[0], size[1]))
    return picture


def make_pictures(folder):
    """Writes the road's pictures into folder and answers their names:
    photo.jpg  JPEG with Exif orientation 6, red left half and blue right half as stored;
    clear.png  PNG with a transparent right half;
    chart.gif  palette GIF;
    plain.bmp  24-bit BMP;
    broken.jpg a JPEG cut off in the middle of its data;
    notes.txt  not a picture (the extension filter leaves it out)."""
    os.makedirs(folder, exist_ok=True)
    photo = _two_halves(PHOTO_STORED, (220, 20, 20), (20, 20, 220))
    exif = Image.Exif()
    exif[EXIF_ORIENTATION] = 6
    photo.save(os.path.join(folder, "photo.jpg"), quality=92, exif=exif.tobytes())

    clear = _two_halves((100, 60), (20, 160, 20, 255), (0, 0, 0, 0), mode="RGBA")
    clear.save(os.path.join(folder, "clear.png"))

    chart = _two_halves((64, 48), (250, 200, 0), (0, 120, 200)).convert("P")
    chart.save(os.path.join(folder, "chart.gif"))

    _two_halves((50, 40), (90, 90, 90), (200, 200, 200)).save(os.path.join(folder, "plain.bmp"))

    whole = os.path.join(folder, "broken.jpg")
    Image.effect_noise((160, 120), 60).convert("RGB").save(whole, quality=90)
    with open(whole, "rb") as f:
        data = f.read()
    with open(whole, "wb") as f:
        f.write(data[: len(data) // 2])

    with open(os.path.join(folder, "notes.txt"), "w") as f:
        f.write("not a picture\n")
    return ["photo.jpg", "clear.png", "chart.gif", "plain.bmp", "broken.jpg", "notes.txt"]


def big_photo(path, size=(2400, 1600)):
    """A large JPEG, so that a run lasts long enough to be watched."""
    Image.effect_noise(size, 40).convert("RGB").save(path, quality=90)


def describe(path):
    """The format, size and mode of a written file, as a reader finds them."""
    with Image.open(path) as picture:
        return picture.format, picture.size, picture.mode


def colour_at(path, x, y):
    """The colour of one pixel (as RGB, or RGBA when the file has transparency)."""
    with Image.open(path) as picture:
        converted = picture.convert("RGBA" if "A" in picture.getbands() or
                                    "transparency" in picture.info else "RGB")
        return converted.getpixel((x, y))


def near(colour, expected, tolerance=40):
    return all(abs(a - b) <= tolerance for a, b in zip(colour, expected))
