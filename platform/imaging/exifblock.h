// EXIF blocks as the newer containers carry them: a TIFF structure, sometimes behind the
// "Exif\0\0" header of JPEG's APP1 segment (WebP writers differ) or an offset (HEIF).
#pragma once

#include <QByteArray>
#include <cstddef>

namespace pix::imaging {

// The TIFF structure ("II*\0" or "MM\0*" and what follows) of an EXIF block, without an
// "Exif\0\0" header in front; empty when the block holds none.
QByteArray exifTiffBlock(const unsigned char* data, std::size_t size);

// The same for an EXIF item as HEIF, AVIF and JPEG XL files store it: four bytes giving the
// offset of the TIFF header from their end, then the block. A block without that offset (some
// writers leave it out) is taken as it stands.
QByteArray exifTiffBlockAfterOffset(const unsigned char* data, std::size_t size);

// The orientation (1 to 8) a TIFF structure's first directory gives; 1 when there is none.
int orientationFromTiff(const unsigned char* tiff, std::size_t size);

} // namespace pix::imaging
