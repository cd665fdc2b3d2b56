// JPEG through libjpeg-turbo: decoding (optionally at a reduced DCT scale, upright by the EXIF
// orientation) and encoding with a quality.
#pragma once

#include "platform/imaging/decoder.h"

#include <QIODevice>
#include <cstdint>

namespace pix::imaging {

Status decodeJpeg(const unsigned char* data, std::size_t size, const DecodeHint& hint,
                  Picture& out);
// What decoding with the hint will produce: the picture's upright size at the reduced scale
// chosen, and for a progressive file the coefficients held whole while it is decoded (for a
// preview drawn from the DC alone, the DC; a file whose DC scans turn out damaged or unusual is
// handed to libjpeg and then holds its coefficients, which only the decode can tell). Reads the
// headers only; the data may be the start of the file.
struct JpegPlan {
    QSize upright;
    std::uint64_t coefficientBytes = 0;
};
Status planJpegDecode(const unsigned char* data, std::size_t size, const DecodeHint& hint,
                      JpegPlan& plan);

Status measureJpeg(const unsigned char* data, std::size_t size, QSize& size_out);
Status encodeJpeg(const Picture& picture, int quality, QIODevice& device);

// The EXIF orientation (1 to 8) of a JPEG's APP1 segment, 1 when there is none or it is invalid.
int jpegExifOrientation(const unsigned char* data, std::size_t size);
// The orientation (1 to 8) of an EXIF block (a TIFF structure), 1 when it has none.
int exifOrientation(const QByteArray& exif);

} // namespace pix::imaging
