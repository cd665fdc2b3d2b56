// The encoder list and saving a picture to a file.
#pragma once

#include "platform/imaging/picture.h"

#include <QByteArray>
#include <QIODevice>
#include <QSize>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace pix::imaging {

// Identifies one encoder. The zero identifier means "no encoder".
struct EncoderId {
    int value = 0;
    bool isNull() const { return value == 0; }
    friend bool operator==(EncoderId, EncoderId) = default;
};

struct EncoderInfo {
    EncoderId id;
    QString mimeType; // "image/bmp", "image/jpeg", ..., "image/webp", "image/avif", "image/jxl"
    QString formatDescription;
    QString extensions; // "*.BMP;*.DIB", ...
};

// What an encoder writes beside the pixels.
enum Carries : unsigned {
    kCarriesProfile = 1,
    kCarriesExif = 2,
    kCarriesXmp = 4,
    kCarriesIptc = 8,
    kCarriesComment = 16,
    kCarriesAll = 31,
};
struct EncoderCapacity {
    unsigned carries = 0;          // Carries bits
    std::size_t maxBlockBytes = 0; // the most one EXIF, XMP or IPTC block may take; 0: no limit
};
// Nothing for an unknown encoder.
EncoderCapacity encoderCapacity(EncoderId encoder);

// One record per encoder, in a fixed order.
const std::vector<EncoderInfo>& imageEncoders();

// The encoder whose MIME type equals the text exactly (case-sensitive); null when none.
EncoderId findEncoderByMimeType(const QString& mimeType);

// The memory the encoder holds beside a picture of that size while it encodes, in bytes (bench
// /encode_bench measures it); 0 for encoders that need little more than the picture.
std::uint64_t encoderWorkingMemory(EncoderId encoder, QSize size);

// Encodes the picture with the encoder and writes it to path. The data goes to a temporary file
// in the target folder that replaces the target only once complete, so a failed save leaves an
// existing file untouched and no temporary file behind. quality applies to JPEG, WebP, AVIF and
// JPEG XL and is clamped to 0..100; without it JPEG uses 75.
Status savePicture(const Picture& picture, const QString& path, EncoderId encoder,
                   std::optional<int> quality = std::nullopt);

// Encodes into a device, without the file handling (used by savePicture and the tests).
Status encodePicture(const Picture& picture, QIODevice& device, EncoderId encoder,
                     std::optional<int> quality = std::nullopt);

// Encodes into memory, so that encoding can run apart from the writing of the file. The picture
// is taken by value: when the caller moves its only copy in, an encoder that rewrites rows before
// compressing (PNG) does so in the picture's own pixels instead of a second buffer.
Status encodeToMemory(Picture picture, EncoderId encoder, std::optional<int> quality,
                      QByteArray& bytes);

// Writes bytes to path the same safe way savePicture does: a temporary file beside the target
// that replaces it only once complete.
Status writeFileReplacing(const QString& path, const QByteArray& bytes);

} // namespace pix::imaging
