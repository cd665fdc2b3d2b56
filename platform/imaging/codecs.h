// The one registration of the formats the imaging service knows: how each is recognised,
// decoded and measured, and, for the formats it writes, its encoder.
#pragma once

#include "platform/imaging/decoder.h"

#include "platform/imaging/encoders.h"

#include <QIODevice>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace pix::imaging {

struct EncoderEntry {
    int id = 0; // 0: the service does not write this format
    const char* mimeType = "";
    const char* description = "";
    const char* extensions = "";
    // quality is the caller's value or none; formats without a quality ignore it.
    Status (*encode)(Picture&& picture, QIODevice& device, std::optional<int> quality) = nullptr;
    // The memory the encoder holds beside the picture, per pixel (libjxl's planes, libaom's and
    // libwebp's frames); 0 for encoders that stream rows.
    int workingBytesPerPixel = 0;
    // What the format holds beside the pixels (Carries bits), and the most bytes one EXIF, XMP
    // or IPTC block may take in it (0: no limit).
    unsigned carries = 0;
    std::size_t maxBlockBytes = 0;
};

struct Codec {
    ImageFormat format = ImageFormat::Unknown;
    // True when the data starts the way files of this format do.
    bool (*detect)(const unsigned char* data, std::size_t size) = nullptr;
    // Decodes the first picture, upright and then turned as the hint asks.
    Status (*decode)(const unsigned char* data, std::size_t size, const DecodeHint& hint,
                     Picture& out) = nullptr;
    // The upright size from the header where the format allows.
    Status (*measure)(const unsigned char* data, std::size_t size, QSize& out) = nullptr;
    EncoderEntry encoder;
    // The memory a decode with the hint holds at its peak, from the headers; null when that is
    // the upright picture and a turned copy.
    Status (*estimate)(const unsigned char* data, std::size_t size, const DecodeHint& hint,
                       std::uint64_t& bytes) = nullptr;
    // The upright size of a file whose boxes the library finds where they lie (a HEIF or AVIF
    // file's boxes may need data from past its start, which is otherwise read whole); null:
    // `measure` on the start of the file.
    Status (*measureFile)(const QString& path, QSize& out) = nullptr;
};

// Every codec, in the order detection tries them.
const std::vector<Codec>& codecs();

// The codec whose detection recognises the data; null when none does.
const Codec* codecForData(const unsigned char* data, std::size_t size);

// The codec that writes with that encoder identifier; null when none does.
const Codec* codecForEncoder(int encoderId);

} // namespace pix::imaging
