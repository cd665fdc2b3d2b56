#include "platform/imaging/codecs.h"

#include "platform/imaging/avifdecoder.h"
#include "platform/imaging/avifencoder.h"
#include "platform/imaging/bmpdecoder.h"
#include "platform/imaging/bmpencoder.h"
#include "platform/imaging/gifdecoder.h"
#include "platform/imaging/gifencoder.h"
#include "platform/imaging/heifdecoder.h"
#include "platform/imaging/icodecoder.h"
#include "platform/imaging/jpegcodec.h"
#include "platform/imaging/jpegmetadata.h"
#include "platform/imaging/jxldecoder.h"
#include "platform/imaging/jxlencoder.h"
#include "platform/imaging/pngchunks.h"
#include "platform/imaging/pngdecoder.h"
#include "platform/imaging/pngencoder.h"
#include "platform/imaging/tiffdecoder.h"
#include "platform/imaging/tiffencoder.h"
#include "platform/imaging/webpdecoder.h"
#include "platform/imaging/webpencoder.h"
#include "platform/imaging/wmfdecoder.h"

#include <QtEndian>
#include <algorithm>
#include <cstring>

namespace pix::imaging {

namespace {

using UprightDecoder = Status (*)(const unsigned char*, std::size_t, Picture&);

bool startsWith(const unsigned char* data, std::size_t size, const char* magic, std::size_t n) {
    return size >= n && std::memcmp(data, magic, n) == 0;
}

bool isBmp(const unsigned char* data, std::size_t size) {
    return startsWith(data, size, "BM", 2);
}

// The start-of-image marker and, within a few stray bytes (a damaged file's, which libjpeg skips),
// the next marker.
bool isJpeg(const unsigned char* data, std::size_t size) {
    constexpr std::size_t kMostStrayBytes = 16;
    if (startsWith(data, size, "\xFF\xD8\xFF", 3))
        return true;
    if (!startsWith(data, size, "\xFF\xD8", 2))
        return false;
    for (std::size_t i = 2; i + 1 < size && i <= 2 + kMostStrayBytes; ++i)
        if (data[i] == 0xFF && data[i + 1] >= 0xC0)
            return true;
    return false;
}

bool isGif(const unsigned char* data, std::size_t size) {
    return startsWith(data, size, "GIF87a", 6) || startsWith(data, size, "GIF89a", 6);
}

// Decoders that give the upright picture; the turn follows as a step of its own.
template <UprightDecoder decodeUpright>
Status decodeThenTurn(const unsigned char* data, std::size_t size, const DecodeHint& hint,
                      Picture& out) {
    Picture picture;
    Status status = decodeUpright(data, size, picture);
    if (status == Status::Ok)
        status = rotateFlip(picture, hint.rotateFlip);
    if (status == Status::Ok)
        out = std::move(picture);
    return status;
}

using SizedDecoder = Status (*)(const unsigned char*, std::size_t, QSize, Picture&);

// Decoders that may give a smaller upright picture when the hint's minimum size allows.
template <SizedDecoder decodeUpright>
Status decodeSizedThenTurn(const unsigned char* data, std::size_t size, const DecodeHint& hint,
                           Picture& out) {
    Picture picture;
    Status status = decodeUpright(data, size, hint.minSize, picture);
    if (status == Status::Ok)
        status = rotateFlip(picture, hint.rotateFlip);
    if (status == Status::Ok)
        out = std::move(picture);
    return status;
}

// The encoder identifiers are the order of the encoder list, as callers have always seen it.
enum EncoderValue { kBmp = 1, kJpeg, kGif, kTiff, kPng, kWebp, kAvif, kJxl };

constexpr int kDefaultJpegQuality = 75;

Status writeBmp(Picture&& picture, QIODevice& device, std::optional<int>) {
    return encodeBmp(picture, device);
}

Status writeJpeg(Picture&& picture, QIODevice& device, std::optional<int> quality) {
    return encodeJpeg(picture, quality.value_or(kDefaultJpegQuality), device);
}

Status writeGif(Picture&& picture, QIODevice& device, std::optional<int>) {
    return encodeGif(picture, device);
}

Status writeTiff(Picture&& picture, QIODevice& device, std::optional<int>) {
    return encodeTiff(picture, device);
}

Status writePng(Picture&& picture, QIODevice& device, std::optional<int>) {
    return encodePng(std::move(picture), device);
}

// Without a quality: each library's own default (cwebp's 75, cjxl's visually lossless 90), and
// for AVIF a middle quantizer.
Status writeWebp(Picture&& picture, QIODevice& device, std::optional<int> quality) {
    return encodeWebp(std::move(picture), quality.value_or(75), device);
}

Status writeAvif(Picture&& picture, QIODevice& device, std::optional<int> quality) {
    return encodeAvif(std::move(picture), quality.value_or(60), device);
}

Status writeJxl(Picture&& picture, QIODevice& device, std::optional<int> quality) {
    return encodeJxl(std::move(picture), quality.value_or(90), device);
}

// WebP, AVIF and JPEG XL hold a profile, EXIF and XMP, but neither IPTC nor a comment.
constexpr unsigned kCarriesProfileExifXmp = kCarriesProfile | kCarriesExif | kCarriesXmp;

} // namespace

const std::vector<Codec>& codecs() {
    static const std::vector<Codec> table = {
        {ImageFormat::Bmp,
         isBmp,
         decodeThenTurn<decodeBmp>,
         measureBmp,
         {kBmp, "image/bmp", "BMP", "*.BMP;*.DIB;*.RLE", writeBmp}},
        {ImageFormat::Jpeg,
         isJpeg,
         decodeJpeg,
         measureJpeg,
         {kJpeg, "image/jpeg", "JPEG", "*.JPG;*.JPEG;*.JPE;*.JFIF", writeJpeg, 0, kCarriesAll,
          jpeg::kMaxXmp}},
        {ImageFormat::Png,
         isPngData,
         decodeSizedThenTurn<decodePng>,
         measurePng,
         {kPng, "image/png", "PNG", "*.PNG", writePng, 0, kCarriesAll}},
        {ImageFormat::Gif,
         isGif,
         decodeThenTurn<decodeGif>,
         measureGif,
         {kGif, "image/gif", "GIF", "*.GIF", writeGif}},
        {ImageFormat::Tiff,
         isTiffData,
         decodeThenTurn<decodeTiff>,
         measureTiff,
         {kTiff, "image/tiff", "TIFF", "*.TIF;*.TIFF", writeTiff, 0,
          kCarriesProfile | kCarriesExif | kCarriesXmp | kCarriesIptc}},
        {ImageFormat::Heif,
         isHeifData,
         decodeHeif,
         measureHeif,
         {},
         estimateHeifDecode,
         measureHeifFile},
        {ImageFormat::Avif,
         isAvifData,
         decodeAvif,
         measureAvif,
         {kAvif, "image/avif", "AVIF", "*.AVIF", writeAvif, 12, kCarriesProfileExifXmp},
         estimateAvifDecode,
         measureAvifFile},
        {ImageFormat::WebP,
         isWebpData,
         decodeWebp,
         measureWebp,
         {kWebp, "image/webp", "WebP", "*.WEBP", writeWebp, 10, kCarriesProfileExifXmp},
         estimateWebpDecode},
        {ImageFormat::Jxl,
         isJxlData,
         decodeJxl,
         measureJxl,
         {kJxl, "image/jxl", "JPEG XL", "*.JXL", writeJxl, 96, kCarriesProfileExifXmp},
         estimateJxlDecode},
        {ImageFormat::Wmf, isWmfData, decodeSizedThenTurn<decodeWmf>, measureWmf, {}},
        {ImageFormat::Ico, isIcoData, decodeThenTurn<decodeIco>, measureIco, {}},
        // Last: its header is a weaker signature than the others' magic numbers.
        {ImageFormat::Bmp, isDibData, decodeThenTurn<decodeDib>, measureDib, {}},
    };
    return table;
}

const Codec* codecForData(const unsigned char* data, std::size_t size) {
    const std::vector<Codec>& all = codecs();
    const auto it = std::find_if(all.begin(), all.end(),
                                 [&](const Codec& codec) { return codec.detect(data, size); });
    return it == all.end() ? nullptr : &*it;
}

const Codec* codecForEncoder(int encoderId) {
    if (encoderId == 0)
        return nullptr;
    const std::vector<Codec>& all = codecs();
    const auto it = std::find_if(all.begin(), all.end(),
                                 [&](const Codec& codec) { return codec.encoder.id == encoderId; });
    return it == all.end() ? nullptr : &*it;
}

} // namespace pix::imaging
