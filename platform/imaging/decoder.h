// Decoding and measuring picture files. The format is recognised from the data, not from the
// file name, so a misnamed file still decodes and a renamed non-picture is refused.
#pragma once

#include "platform/imaging/picture.h"
#include "platform/imaging/transform.h"

#include <QByteArray>
#include <QSize>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace pix::imaging {

enum class ImageFormat { Unknown, Bmp, Gif, Jpeg, Png, Ico, Tiff, Wmf, Heif, Avif, WebP, Jxl };

// What the caller will do with the picture. A decoder may return a smaller picture than the
// stored one (a JPEG decoded at a reduced DCT scale, a WebP scaled by libwebp) but never one
// smaller than minSize in either side, measured upright before the turn. An empty minSize asks
// for the full picture.
// rotateFlip turns and flips the upright picture as part of decoding; the JPEG decoder does it
// band by band as rows arrive, so the unturned picture is never stored.
// preview: a picture for a glance at thumbnail size: a progressive JPEG decoded at 1/8 may be
// drawn from the DC of its first scans (without their lowest bits, a level or a few off; more
// where colour changes sharply within a block of 4:2:0 chroma), and a file cut after those scans
// still gives it; a HEIF file may give the thumbnail stored in it, a JPEG XL file a picture
// drawn from the DC of its first frame.
struct DecodeHint {
    QSize minSize;
    RotateFlipType rotateFlip = RotateNoneFlipNone;
    bool preview = false;
};

ImageFormat detectFormat(const unsigned char* data, std::size_t size);

// Decodes the first picture of the file (first frame, first page, largest icon, the primary
// picture of a HEIF file), upright by its EXIF orientation or, in HEIF and AVIF files, by the
// turn, mirror and crop of the file.
Status decodeFile(const QString& path, Picture& out, const DecodeHint& hint = {});
Status decodeMemory(const unsigned char* data, std::size_t size, Picture& out,
                    const DecodeHint& hint = {});

// The upright pixel size of the picture, read from the header alone where the format allows.
Status measureFile(const QString& path, QSize& size);
Status measureMemory(const unsigned char* data, std::size_t size, QSize& sizeOut);

// What the codec library said during the last decode, measure or estimate on this thread: its
// first error, else the first note (lastDecodeNote), else its first warning (a libpng "IDAT:
// invalid code -- missing end-of-block", a libtiff "Read error on strip 3"). One line of at most
// about 200 characters without control characters; empty when the library said nothing. Each of
// those operations clears it when it starts, so after a failure it explains that failure.
QString lastDecodeDetail();

// After a decode that gave a picture: what the decoder had to leave out or mend because the file
// is damaged (a JPEG's stray bytes skipped, the rows a cut bitmap lacks), as lastDecodeDetail()
// words it; empty when the picture is the file's as stored. A library's remark that changes no
// pixel (an unknown TIFF tag) is not a note.
QString lastDecodeNote();

// The memory a decode with the hint holds at its peak, in bytes, from the headers alone: the
// picture at the size the decoder will give for the hint (a JPEG at its reduced scale, a
// metafile at the size asked for), a progressive JPEG's coefficients, a reader's own copy
// before conversion and the copy a quarter turn makes. For a batch run that admits pictures
// by the memory they will need; an estimate on the safe side, not an exact count.
Status estimateDecodeMemory(const unsigned char* data, std::size_t size, const DecodeHint& hint,
                            std::uint64_t& bytes);
Status estimateDecodeMemoryOfFile(const QString& path, const DecodeHint& hint,
                                  std::uint64_t& bytes);

// Reads a whole file; FileNotFound when it cannot be opened or read.
Status readWholeFile(const QString& path, QByteArray& bytes);

} // namespace pix::imaging
