#include "platform/imaging/heifdecoder.h"

#include "platform/imaging/claimcheck.h"
#include "platform/imaging/colourprofile.h"
#include "platform/imaging/cores.h"
#include "platform/imaging/decodedetail.h"
#include "platform/imaging/exifblock.h"
#include "platform/imaging/ftypbrands.h"
#include "platform/imaging/hdrtosdr.h"
#include "platform/imaging/heifboxes.h"
#include "platform/imaging/owned.h"
#include "platform/imaging/pixelrows.h"

#include <libheif/heif.h>

#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

namespace pix::imaging {

namespace {

// How far a coded picture may reach beyond its size box: HEVC codes whole blocks of up to 64
// pixels and crops them, AV1 blocks of up to 128.
constexpr int kCodingBlock = 128;

// The brands of HEVC-coded HEIF files: pictures, sequences and their variants.
bool isHevcBrand(const unsigned char* data, std::size_t size) {
    return hasFtypBrand(data, size,
                        {"heic", "heix", "hevc", "hevx", "heim", "heis", "hevm", "hevs"});
}

void initLibheif() {
    // Loads the codec plugins of builds that have them; never undone while the program runs.
    [[maybe_unused]] static const bool ready = [] {
        heif_init(nullptr);
        return true;
    }();
}

using Context = Owned<heif_context, heif_context_free>;
using Handle = Owned<heif_image_handle, heif_image_handle_release>;
using Image = Owned<heif_image, heif_image_release>;

Status failed(const heif_error& error) {
    detail::noteDecodeDetail(detail::Severity::Error, error.message);
    switch (error.code) {
    case heif_error_Memory_allocation_error:
        return error.subcode == heif_suberror_Security_limit_exceeded ? Status::TooLarge
                                                                      : Status::OutOfMemory;
    case heif_error_Unsupported_feature:
    case heif_error_Unsupported_filetype:
        return Status::UnknownImageFormat;
    default:
        return Status::CorruptData;
    }
}

// Reads the file's boxes, from memory or, with a path, from the file as libheif needs them,
// and finds its primary picture. Nothing is decoded yet.
Status openPrimary(const unsigned char* data, std::size_t size, Context& context, Handle& primary,
                   const QString& path = {}) {
    initLibheif();
    if (!context.get())
        return Status::OutOfMemory;
    heif_context_set_maximum_image_size_limit(context.get(), kMaxSide + 1); // a side below it
    heif_error error =
        path.isEmpty()
            ? heif_context_read_from_memory_without_copy(context.get(), data, size, nullptr)
            : heif_context_read_from_file(context.get(), QFile::encodeName(path).constData(),
                                          nullptr);
    if (error.code != heif_error_Ok)
        return failed(error);
    error = heif_context_get_primary_image_handle(context.get(), primary.out());
    if (error.code != heif_error_Ok)
        return failed(error);
    if (heif_image_handle_get_width(primary.get()) <= 0 ||
        heif_image_handle_get_height(primary.get()) <= 0) {
        detail::noteDecodeDetail(detail::Severity::Error, "the picture has no size");
        return Status::CorruptData;
    }
    return Status::Ok;
}

QSize sizeOf(const heif_image_handle* handle) {
    return {heif_image_handle_get_width(handle), heif_image_handle_get_height(handle)};
}

// The smallest stored thumbnail that covers minSize and shows the whole picture (the same
// proportions, within a percent); none when no thumbnail does.
Handle coveringThumbnail(const heif_image_handle* primary, QSize minSize) {
    Handle best;
    const int count = heif_image_handle_get_number_of_thumbnails(primary);
    if (minSize.isEmpty() || count <= 0)
        return best;
    std::vector<heif_item_id> ids(std::size_t(std::min(count, 16)));
    const int listed =
        heif_image_handle_get_list_of_thumbnail_IDs(primary, ids.data(), int(ids.size()));
    const QSize full = sizeOf(primary);
    const double proportion = double(full.width()) / full.height();
    for (int i = 0; i < listed; ++i) {
        Handle thumbnail;
        if (heif_image_handle_get_thumbnail(primary, ids[std::size_t(i)], thumbnail.out()).code !=
            heif_error_Ok)
            continue;
        const QSize size = sizeOf(thumbnail.get());
        if (size.width() < minSize.width() || size.height() < minSize.height() ||
            size.width() > full.width() || size.height() > full.height() ||
            std::abs(double(size.width()) / size.height() - proportion) > proportion / 100)
            continue;
        if (!best.get() ||
            std::int64_t(size.width()) * size.height() <
                std::int64_t(sizeOf(best.get()).width()) * sizeOf(best.get()).height())
            best = std::move(thumbnail);
    }
    return best;
}

// The primary picture, or for a glance the thumbnail that covers the size asked for.
Handle pictureToDecode(Handle& primary, const DecodeHint& hint) {
    if (hint.preview) {
        Handle thumbnail = coveringThumbnail(primary.get(), hint.minSize);
        if (thumbnail.get())
            return thumbnail;
    }
    return std::move(primary);
}

bool isDeep(const heif_image_handle* handle) {
    return heif_image_handle_get_luma_bits_per_pixel(handle) > 8 ||
           heif_image_handle_get_chroma_bits_per_pixel(handle) > 8;
}

QByteArray blockOf(const heif_image_handle* handle, heif_item_id id, std::size_t fileSize) {
    const std::size_t size = heif_image_handle_get_metadata_size(handle, id);
    if (size == 0 || size > fileSize)
        return {};
    QByteArray block(qsizetype(size), Qt::Uninitialized);
    if (heif_image_handle_get_metadata(handle, id, block.data()).code != heif_error_Ok)
        return {};
    return block;
}

// The ICC profile, EXIF and XMP of the picture, as the file stores them.
PictureMetadata metadataOf(const heif_image_handle* handle, std::size_t fileSize) {
    PictureMetadata metadata;
    const std::size_t iccSize = heif_image_handle_get_raw_color_profile_size(handle);
    if (iccSize > 0 && iccSize <= fileSize) {
        metadata.iccProfile.resize(qsizetype(iccSize));
        if (heif_image_handle_get_raw_color_profile(handle, metadata.iccProfile.data()).code !=
            heif_error_Ok)
            metadata.iccProfile.clear();
    }
    // Without a profile, the colour description (nclx) says what the pixels are.
    heif_color_profile_nclx* nclx = nullptr;
    if (metadata.iccProfile.isEmpty() &&
        heif_image_handle_get_nclx_color_profile(handle, &nclx).code == heif_error_Ok && nclx) {
        metadata.iccProfile =
            colour::profileForCicp(int(nclx->color_primaries), int(nclx->transfer_characteristics));
        heif_nclx_color_profile_free(nclx);
    }
    const int count = heif_image_handle_get_number_of_metadata_blocks(handle, nullptr);
    if (count <= 0)
        return metadata;
    std::vector<heif_item_id> ids(std::size_t(std::min(count, 64)));
    const int listed = heif_image_handle_get_list_of_metadata_block_IDs(handle, nullptr, ids.data(),
                                                                        int(ids.size()));
    for (int i = 0; i < listed; ++i) {
        const heif_item_id id = ids[std::size_t(i)];
        const char* type = heif_image_handle_get_metadata_type(handle, id);
        const char* content = heif_image_handle_get_metadata_content_type(handle, id);
        if (type && std::strcmp(type, "Exif") == 0 && metadata.exif.isEmpty()) {
            const QByteArray block = blockOf(handle, id, fileSize);
            metadata.exif =
                exifTiffBlockAfterOffset(reinterpret_cast<const unsigned char*>(block.constData()),
                                         std::size_t(block.size()));
        } else if (type && std::strcmp(type, "mime") == 0 && content &&
                   std::strcmp(content, "application/rdf+xml") == 0 && metadata.xmp.isEmpty()) {
            metadata.xmp = blockOf(handle, id, fileSize);
        }
    }
    return metadata;
}

// The colour description (primaries, transfer) of a PQ or HLG picture without an ICC profile,
// whose pixels are brought to SDR sRGB; none for every other picture.
struct HdrCodes {
    int primaries = 0;
    int transfer = 0;
};

std::optional<HdrCodes> hdrCodesOf(const heif_image_handle* handle) {
    heif_color_profile_nclx* nclx = nullptr;
    if (heif_image_handle_get_color_profile_type(handle) != heif_color_profile_type_nclx ||
        heif_image_handle_get_nclx_color_profile(handle, &nclx).code != heif_error_Ok || !nclx)
        return std::nullopt;
    const HdrCodes codes{int(nclx->color_primaries), int(nclx->transfer_characteristics)};
    heif_nclx_color_profile_free(nclx);
    return hdr::isHdrTransfer(codes.transfer) ? std::optional(codes) : std::nullopt;
}

// Copies libheif's interleaved rows into the picture a band at a time, turned as asked.
// The rows of a PQ or HLG picture (`hdrCodes`) are brought to SDR on the way.
void copyTurned(const heif_image* image, bool deep, bool alpha, RowAlpha rowAlpha,
                RotateFlipType turn, QSize size, const std::optional<HdrCodes>& hdrCodes,
                Picture& picture) {
    int stride = 0;
    const std::uint8_t* plane =
        heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
    const int channels = alpha ? 4 : 3;
    const int range = heif_image_get_bits_per_pixel_range(image, heif_channel_interleaved);
    const int maxValue = deep ? (1 << std::clamp(range, 1, 16)) - 1 : 255;
    const std::optional<hdr::ToSdr> sdr =
        hdrCodes ? std::optional<hdr::ToSdr>(std::in_place, hdrCodes->primaries, hdrCodes->transfer,
                                             maxValue)
                 : std::nullopt;
    constexpr int kBand = 16;
    std::vector<QRgb> band(std::size_t(size.width()) * kBand);
    for (int first = 0; first < size.height(); first += kBand) {
        const int rows = std::min(kBand, size.height() - first);
        for (int r = 0; r < rows; ++r) {
            const std::uint8_t* row = plane + qsizetype(first + r) * stride;
            QRgb* target = band.data() + std::size_t(r) * std::size_t(size.width());
            if (sdr && deep)
                sdr->convert(reinterpret_cast<const std::uint16_t*>(row), channels, size.width(),
                             rowAlpha, target);
            else if (sdr)
                sdr->convert(row, channels, size.width(), rowAlpha, target);
            else if (deep)
                row16ToPixels(reinterpret_cast<const std::uint16_t*>(row), channels, maxValue,
                              size.width(), rowAlpha, target);
            else
                rowToPixels(row, channels, size.width(), rowAlpha, target);
        }
        copyRowsRotated(reinterpret_cast<const uchar*>(band.data()), qsizetype(size.width()) * 4,
                        first, rows, size, turn, picture.image());
    }
}

} // namespace

bool isHeifData(const unsigned char* data, std::size_t size) {
    return !hasFtypBrand(data, size, {"avif", "avis"}) &&
           (isHevcBrand(data, size) || hasFtypBrand(data, size, {"mif1", "msf1"}));
}

Status measureHeif(const unsigned char* data, std::size_t size, QSize& out) {
    // Our box reader answers for ordinary files; libheif for the rest, and for every failure.
    if (const std::optional<QSize> shown = heifPrimarySize(data, size)) {
        out = *shown;
        return Status::Ok;
    }
    Context context(heif_context_alloc());
    Handle primary;
    const Status status = openPrimary(data, size, context, primary);
    if (status == Status::Ok)
        out = sizeOf(primary.get()); // libheif gives the size after its turn and crop
    return status;
}

Status measureHeifFile(const QString& path, QSize& out) {
    if (const std::optional<QSize> shown = heifPrimarySizeOfFile(path)) {
        out = *shown;
        return Status::Ok;
    }
    Context context(heif_context_alloc());
    Handle primary;
    const Status status = openPrimary(nullptr, 0, context, primary, path);
    if (status == Status::Ok)
        out = sizeOf(primary.get());
    return status;
}

Status estimateHeifDecode(const unsigned char* data, std::size_t size, const DecodeHint& hint,
                          std::uint64_t& bytes) {
    Context context(heif_context_alloc());
    Handle primary;
    const Status status = openPrimary(data, size, context, primary);
    if (status != Status::Ok)
        return status;
    const Handle source = pictureToDecode(primary, hint);
    const QSize picture = sizeOf(source.get());
    const bool deep = isDeep(source.get());
    const bool alpha = heif_image_handle_has_alpha_channel(source.get());
    // libheif's planes (at most three full ones, and alpha), then its interleaved copy, then
    // ours while that copy is still held.
    const std::uint64_t planes = (deep ? 2 : 1) * (alpha ? 4 : 3);
    const std::uint64_t interleaved = (deep ? 2 : 1) * (alpha ? 4 : 3);
    bytes = std::uint64_t(picture.width()) * std::uint64_t(picture.height()) *
            (interleaved + std::max<std::uint64_t>(planes, 4));
    return Status::Ok;
}

Status decodeHeif(const unsigned char* data, std::size_t size, const DecodeHint& hint,
                  Picture& out) {
    Context context(heif_context_alloc());
    Handle primary;
    Status status = openPrimary(data, size, context, primary);
    if (status != Status::Ok)
        return status;
    const QSize full = sizeOf(primary.get());
    status = checkClaimedSize(full.width(), full.height(), size);
    if (status != Status::Ok)
        return status;
    if (isHevcBrand(data, size) && !heif_have_decoder_for_format(heif_compression_HEVC)) {
        detail::noteDecodeDetail(detail::Severity::Error,
                                 "HEIC pictures need an HEVC decoder (libde265), and none is "
                                 "installed on this system");
        return Status::UnknownImageFormat;
    }
    PictureMetadata metadata = metadataOf(primary.get(), size);
    std::optional<HdrCodes> hdrCodes = hdrCodesOf(primary.get());
    const Handle source = pictureToDecode(primary, hint);
    // A stored thumbnail with a colour description of its own is read by that.
    if (heif_image_handle_get_color_profile_type(source.get()) !=
        heif_color_profile_type_not_present)
        hdrCodes = hdrCodesOf(source.get());

    // Tiles of a grid on several threads only when this work may have more than one core.
    const int cores = coresForThisThread();
    heif_context_set_max_decoding_threads(context.get(), cores > 1 ? cores : 0);
    const bool deep = isDeep(source.get());
    const bool alpha = heif_image_handle_has_alpha_channel(source.get());
    const heif_chroma chroma =
        deep ? (alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
             : (alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
    // The coded stream may claim a larger picture than the file's size boxes, which libheif
    // would allocate before it finds out: no side beyond those boxes' and the coding blocks'.
    const int side = std::max({heif_image_handle_get_ispe_width(source.get()),
                               heif_image_handle_get_ispe_height(source.get()),
                               heif_image_handle_get_width(source.get()),
                               heif_image_handle_get_height(source.get())});
    heif_context_set_maximum_image_size_limit(context.get(),
                                              std::min(side + kCodingBlock, kMaxSide + 1));
    heif_decoding_options* options = heif_decoding_options_alloc();
    if (!options)
        return Status::OutOfMemory;
    options->convert_hdr_to_8bit = 0; // it cuts to the high bits; the rows are rounded here
    Image image;
    const heif_error error =
        heif_decode_image(source.get(), image.out(), heif_colorspace_RGB, chroma, options);
    heif_decoding_options_free(options);
    if (error.code != heif_error_Ok)
        return failed(error);
    // A coded picture larger than the file says (a crop it forgot) is cut to the size it says.
    const QSize decoded = QSize(heif_image_get_width(image.get(), heif_channel_interleaved),
                                heif_image_get_height(image.get(), heif_channel_interleaved))
                              .boundedTo(sizeOf(source.get()));
    int stride = 0;
    if (!heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride) ||
        decoded.isEmpty()) {
        detail::noteDecodeDetail(detail::Severity::Error, "the decoded picture has no pixels");
        return Status::CorruptData;
    }
    const RowAlpha rowAlpha = !alpha ? RowAlpha::None
                              : heif_image_is_premultiplied_alpha(image.get())
                                  ? RowAlpha::Premultiplied
                                  : RowAlpha::Straight;
    const QSize turned = rotatedSize(decoded.width(), decoded.height(), hint.rotateFlip);
    Picture picture;
    status = allocatePicture(turned.width(), turned.height(), alpha, picture);
    if (status != Status::Ok)
        return status;
    copyTurned(image.get(), deep, alpha, rowAlpha, hint.rotateFlip, decoded, hdrCodes, picture);
    picture.metadata() = std::move(metadata);
    out = std::move(picture);
    return Status::Ok;
}

} // namespace pix::imaging
