// EXIF, XMP and IPTC edited with exiv2 on their way from a decoded file to an encoder: the
// picture is written upright at a new size, so what describes its orientation, size and embedded
// preview is brought up to date, and what the user chose not to share is removed. Everything
// else is left as it was; a block that needs no change keeps its bytes.
//
// Every exiv2 call is guarded: a damaged or hostile block throws, and is then dropped with a note
// instead of stopping the conversion.
#pragma once

#include "platform/imaging/picture.h"

#include <QByteArray>
#include <QSize>
#include <QString>
#include <cstddef>

namespace pix::imaging::metadata {

enum class Choice {
    KeepAll,
    RemoveLocation, // GPS, XMP GPS and location properties, IPTC location datasets
    RemoveAll,      // EXIF, XMP, IPTC and comments; the colour profile is not metadata here
};

// The largest EXIF, XMP or IPTC block read from a file; beyond it a block is left out.
inline constexpr std::size_t kMaxBlockBytes = std::size_t(16) << 20;

// Updates the blocks for a picture written upright at `size`: EXIF and XMP orientation 1,
// EXIF PixelXDimension and PixelYDimension (and XMP's) the new size, the EXIF preview thumbnail
// (IFD1) and XMP thumbnails removed, and, when the written pixels are sRGB, the EXIF and XMP
// colour space sRGB; then applies the choice. With `iptcIntoXmp`, for a format that holds XMP
// but no IPTC, the IPTC records (what the choice leaves of them) are carried into the XMP packet
// as the properties that stand for them, where the packet has none of its own, and then
// removed. Answers what had to be dropped because it could not be read (e.g. "its EXIF could not
// be read and was left out"); empty when nothing was.
QString updateForOutput(PictureMetadata& metadata, QSize size, Choice choice, bool srgb,
                        bool iptcIntoXmp);

// The EXIF of a TIFF file as an EXIF TIFF structure: the first directory's descriptive tags
// (camera, dates, author, resolution) with its Exif and GPS directories, without the tags that
// describe the file's own pixels. Empty when there is none or it cannot be read.
QByteArray exifOfTiff(const unsigned char* data, std::size_t size);

// Adds the descriptive tags and the Exif and GPS directories of an EXIF block to a TIFF file,
// leaving its pixels and the tags that describe them as they are. False when exiv2 could not;
// the file is then unchanged.
bool addExifToTiff(QByteArray& tiff, const QByteArray& exif);

} // namespace pix::imaging::metadata
