#include "jobs/outputformats.h"

#include <algorithm>
#include <array>

namespace pix {

namespace {

using namespace Qt::Literals::StringLiterals;

constexpr std::array kJpegAliases{"jpeg"_L1, "jpe"_L1, "jfif"_L1};
constexpr std::array kTiffAliases{"tiff"_L1};

constexpr std::array<OutputFormat, 8> kFormats{{
    {kFormatJpg, "jpg"_L1, "jpg"_L1, kJpegAliases, "image/jpeg"_L1, "JPG"_L1},
    {kFormatGif, "gif"_L1, "gif"_L1, {}, "image/gif"_L1, "GIF"_L1},
    {kFormatTiff, "tif"_L1, "tif"_L1, kTiffAliases, "image/tiff"_L1, "TIFF"_L1},
    {kFormatPng, "png"_L1, "png"_L1, {}, "image/png"_L1, "PNG"_L1},
    {kFormatBitmap, "bmp"_L1, "bmp"_L1, {}, "image/bmp"_L1, "Bitmap"_L1},
    {kFormatWebp, "webp"_L1, "webp"_L1, {}, "image/webp"_L1, "WebP"_L1},
    {kFormatAvif, "avif"_L1, "avif"_L1, {}, "image/avif"_L1, "AVIF"_L1},
    {kFormatJxl, "jxl"_L1, "jxl"_L1, {}, "image/jxl"_L1, "JPEG XL"_L1},
}};

// The spellings people type for a format besides its keyword.
struct KeywordAlias {
    std::int32_t code;
    QLatin1String keyword;
};
constexpr std::array<KeywordAlias, 2> kKeywordAliases{{
    {kFormatJpg, "jpeg"_L1},
    {kFormatTiff, "tiff"_L1},
}};

// The formats whose encoders take a quality, the job item's 0 to 100.
constexpr std::array kQualityFormats{kFormatJpg, kFormatWebp, kFormatAvif, kFormatJxl};

constexpr std::array<FormatChoice, 9> kChoices{{
    {kFormatRemainOriginal, "Remain Original"_L1},
    {kFormatBitmap, "Bitmap"_L1},
    {kFormatGif, "GIF"_L1},
    {kFormatJpg, "JPG"_L1},
    {kFormatPng, "PNG"_L1},
    {kFormatTiff, "TIFF"_L1},
    {kFormatWebp, "WebP"_L1},
    {kFormatAvif, "AVIF"_L1},
    {kFormatJxl, "JPEG XL"_L1},
}};

bool sameWord(QStringView a, QLatin1String b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

std::span<const OutputFormat> outputFormats() {
    return kFormats;
}

std::span<const FormatChoice> formatChoices() {
    return kChoices;
}

const OutputFormat* outputFormatForCode(std::int32_t code) {
    for (const OutputFormat& format : kFormats) {
        if (format.code == code)
            return &format;
    }
    return nullptr;
}

const OutputFormat* outputFormatForKeyword(QStringView keyword) {
    for (const OutputFormat& format : kFormats) {
        if (sameWord(keyword, format.keyword))
            return &format;
    }
    for (const KeywordAlias& alias : kKeywordAliases) {
        if (sameWord(keyword, alias.keyword))
            return outputFormatForCode(alias.code);
    }
    return nullptr;
}

bool takesQuality(std::int32_t code) {
    return std::find(kQualityFormats.begin(), kQualityFormats.end(), code) != kQualityFormats.end();
}

const OutputFormat* outputFormatForExtension(QStringView extension) {
    // Every format's own extension first, then the aliases, so an alias can never shadow a
    // format's own extension.
    for (const OutputFormat& format : kFormats) {
        if (sameWord(extension, format.extension))
            return &format;
    }
    for (const OutputFormat& format : kFormats) {
        for (QLatin1String alias : format.aliases) {
            if (sameWord(extension, alias))
                return &format;
        }
    }
    return nullptr;
}

} // namespace pix
