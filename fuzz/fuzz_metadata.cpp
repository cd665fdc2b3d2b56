// Feeds arbitrary bytes as one metadata block of a small picture through the output step: the
// first byte chooses the block (ICC profile, EXIF, XMP, IPTC, comment), the output format and the
// choices; the rest is the block. Then the picture is encoded and its file decoded again, so that
// exiv2, lcms2 and every reader and writer of the blocks meet hostile data.
#include "platform/imaging/decoder.h"
#include "platform/imaging/encoders.h"
#include "platform/imaging/outputmetadata.h"

#include <QByteArray>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pix::imaging;
    if (size < 1)
        return 0;
    const unsigned selector = data[0];
    const QByteArray block(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    Picture picture;
    if (allocatePicture(6, 4, (selector & 0x80) != 0, picture) != Status::Ok)
        return 0;
    picture.image().fill(0x80402010u);
    PictureMetadata& m = picture.metadata();
    switch (selector % 5) {
    case 0:
        m.iccProfile = block;
        break;
    case 1:
        m.exif = block;
        break;
    case 2:
        m.xmp = block;
        break;
    case 3:
        m.iptc = block;
        break;
    default:
        m.comment = block;
        break;
    }
    static const char* const kFormats[] = {"image/jpeg", "image/png",  "image/tiff", "image/gif",
                                           "image/webp", "image/avif", "image/jxl"};
    constexpr unsigned kFormatCount = sizeof(kFormats) / sizeof(kFormats[0]);
    const EncoderId encoder = findEncoderByMimeType(kFormats[(selector / 5) % kFormatCount]);
    OutputChoices choices;
    choices.convertToSrgb = (selector / (5 * kFormatCount)) % 2 == 1;
    choices.metadata = metadata::Choice((selector / (10 * kFormatCount)) % 3);
    prepareForEncoder(picture, encoder, choices);
    QByteArray bytes;
    if (encodeToMemory(std::move(picture), encoder, 80, bytes) == Status::Ok) {
        Picture decoded;
        decodeMemory(reinterpret_cast<const unsigned char*>(bytes.constData()),
                     std::size_t(bytes.size()), decoded);
    }
    return 0;
}
