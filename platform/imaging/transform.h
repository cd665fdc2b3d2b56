// Turning, flipping, creating and drawing pictures.
#pragma once

#include "platform/imaging/picture.h"

namespace pix::imaging {

// Rotate-flip types: 0 none, 1 90 degrees, 2 180, 3 270 (all clockwise), 4 mirror only,
// 5 90 then mirror, 6 180 then mirror, 7 270 then mirror. The mirror flips about the vertical
// axis after the turn. Quarter turns exchange width and height. The type is int-sized so that a
// value from outside the eight (a file, a cast) can be held and refused.
enum RotateFlipType : int {
    RotateNoneFlipNone = 0,
    Rotate90FlipNone = 1,
    Rotate180FlipNone = 2,
    Rotate270FlipNone = 3,
    RotateNoneFlipX = 4,
    Rotate90FlipX = 5,
    Rotate180FlipX = 6,
    Rotate270FlipX = 7,
};

// True for the eight values above (a type read from a file or a caller may be anything).
constexpr bool isRotateFlipType(int value) {
    return value >= RotateNoneFlipNone && value <= Rotate270FlipX;
}

// InvalidParameter for a value outside the eight types.
Status rotateFlip(Picture& picture, RotateFlipType type);

// The one rotate-flip type that has the effect of `first` followed by `second`.
RotateFlipType composeRotateFlip(RotateFlipType first, RotateFlipType second);

// The rotate-flip type that makes a picture with this Exif or TIFF orientation (1 to 8) upright;
// none for values outside that range.
RotateFlipType rotateFlipForOrientation(int orientation);

// Where the rotate-flip type moves a part of a picture of the given size (pixel coordinates,
// fractions allowed).
QRectF rotatedArea(const QRectF& area, QSize size, RotateFlipType type);

// The size of a width x height picture after the rotate-flip type.
QSize rotatedSize(int width, int height, RotateFlipType type);

// Copies `count` rows of a sourceWidth x sourceHeight picture, starting at source row `firstRow`
// (rows `stride` bytes apart from `rows`), to where the rotate-flip type puts them in `target`,
// which has the rotated size. Decoders use it to turn a picture band by band as it is decoded,
// so that the upright picture is never held twice.
void copyRowsRotated(const uchar* rows, qsizetype stride, int firstRow, int count, QSize sourceSize,
                     RotateFlipType type, QImage& target);

// A new fully transparent 32-bit ARGB picture.
Status createPicture(int width, int height, Picture& out);

// Draws the whole source stretched into the rectangle (0, 0, width, height) of the target:
// area averaging where a side shrinks, bilinear interpolation where it grows. Pixels of the
// target outside the rectangle are left alone; inside it the source replaces them.
Status drawStretched(const Picture& source, Picture& target, int width, int height);

// A new picture of width x height holding the whole source stretched to fill it: what drawing
// into a new transparent picture gives, without making the blank picture first.
Status resizePicture(const Picture& source, int width, int height, Picture& out);

// A picture no larger than box, the source's proportions kept (at least 1 x 1).
Status makeThumbnail(const Picture& source, QSize box, Picture& out);

} // namespace pix::imaging
