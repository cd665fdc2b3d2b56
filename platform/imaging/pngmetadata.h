// The metadata chunks of a PNG file: the ICC profile (iCCP), EXIF (eXIf), XMP (iTXt
// "XML:com.adobe.xmp"), IPTC (the "Raw profile type iptc" text that image tools write, since PNG
// has no chunk of its own for it) and the "Comment" text. Read from every chunk of the file,
// before and after the image data; written by the encoder before the image data.
#pragma once

#include "platform/imaging/picture.h"

#include <QByteArray>
#include <array>
#include <cstddef>
#include <vector>

namespace pix::imaging::png {

PictureMetadata readMetadata(const unsigned char* data, std::size_t size);

struct OutputChunk {
    std::array<char, 4> type;
    QByteArray data;
};
std::vector<OutputChunk> metadataChunks(const PictureMetadata& metadata);

} // namespace pix::imaging::png
