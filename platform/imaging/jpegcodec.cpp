#include "platform/imaging/jpegcodec.h"

#include "platform/imaging/colourprofile.h"
#include "platform/imaging/decodedetail.h"
#include "platform/imaging/guard.h"
#include "platform/imaging/jpegdcpreview.h"
#include "platform/imaging/jpegdcscans.h"
#include "platform/imaging/jpegerrors.h"
#include "platform/imaging/jpegmetadata.h"
#include "platform/imaging/transform.h"

#include <jerror.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace pix::imaging {

namespace {

using jpeg::ErrorManager;

// A progressive file with thousands of scans takes unbounded time to decode; no encoder writes
// more than a few dozen.
constexpr int kMaxScans = 1000;

void onProgress(j_common_ptr cinfo) {
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (cinfo->is_decompressor && d->input_scan_number > kMaxScans)
        jpeg::fail(cinfo);
}

bool quarterTurn(int orientation) {
    return orientation >= 5;
}

// The largest DCT reduction (1/8, 1/4, 1/2) whose result still covers minSize.
unsigned scaleDenominator(int width, int height, QSize minSize) {
    if (minSize.isEmpty())
        return 1;
    for (unsigned denom = 8; denom > 1; denom /= 2) {
        const int w = int((unsigned(width) + denom - 1) / denom);
        const int h = int((unsigned(height) + denom - 1) / denom);
        if (w >= minSize.width() && h >= minSize.height())
            return denom;
    }
    return 1;
}

// Adobe CMYK JPEGs store inverted values; without a colour profile the conversion to RGB is the
// naive one careful decoders use.
void cmykRowToRgb(const JSAMPLE* cmyk, QRgb* out, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4) {
        int c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        out[x] = qRgb(c * k / 255, m * k / 255, y * k / 255);
    }
}

struct DecodeState {
    jpeg_decompress_struct cinfo;
    ErrorManager errors;
};

// Creating the decompressor can fail (out of memory); the jump buffer must be set first.
bool createDecompressor(DecodeState& s) {
    if (setjmp(s.errors.jump))
        return false;
    jpeg_create_decompress(&s.cinfo);
    return true;
}

// Huffman coding spends at least one bit on every block of the first scan (its DC difference),
// so a file shorter than that cannot hold the picture its frame header claims, and is refused
// before the picture is allocated. Arithmetic coding can spend less, though not a whole block
// for a thirty-second of a bit.
bool dataCanHoldFrame(const jpeg_decompress_struct& cinfo, std::size_t size) {
    std::uint64_t blocks = 0;
    for (int i = 0; i < cinfo.num_components; ++i)
        blocks +=
            std::uint64_t(cinfo.comp_info[i].width_in_blocks) * cinfo.comp_info[i].height_in_blocks;
    const std::uint64_t blocksPerByte = cinfo.arith_code ? 256 : 8;
    return blocks <= std::uint64_t(size) * blocksPerByte;
}

// Reads the header and fixes the output size and colour space. Returns false on a fatal error.
// wholeFile: the data is the whole file, so its size bounds the frame it can hold.
bool startDecode(DecodeState& s, const unsigned char* data, std::size_t size, QSize minSize,
                 int orientation, bool wholeFile = true) {
    if (setjmp(s.errors.jump))
        return false;
    jpeg_mem_src(&s.cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&s.cinfo, TRUE);
    if (!sizeAllowed(s.cinfo.image_width, s.cinfo.image_height) ||
        (wholeFile && !dataCanHoldFrame(s.cinfo, size)))
        return false;
    if (quarterTurn(orientation))
        minSize.transpose();
    s.cinfo.scale_num = 1;
    s.cinfo.scale_denom =
        scaleDenominator(int(s.cinfo.image_width), int(s.cinfo.image_height), minSize);
    const bool cmyk = s.cinfo.jpeg_color_space == JCS_CMYK || s.cinfo.jpeg_color_space == JCS_YCCK;
    s.cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
    s.cinfo.progress = nullptr;
    jpeg_calc_output_dimensions(&s.cinfo);
    return true;
}

// Rows decoded per call when the picture is turned or converted on the way: enough to fill the
// cache lines of the turned picture's columns, few enough to stay in the cache themselves.
constexpr int kBandRows = 16;

// Buffers for a picture that does not go straight into its rows: a band of decoded rows, in
// CMYK or in 32-bit pixels, and the same band as pixels.
struct Band {
    std::vector<JSAMPLE> samples;
    std::vector<QRgb> pixels;
    std::vector<JSAMPROW> rows;
    const colour::CmykToSrgb* profile = nullptr; // CMYK through the file's profile, if usable
};

// At 1/8 scale a block of a full-resolution component becomes one pixel, its DC coefficient;
// a component stored at lower resolution (the chroma of 4:2:0) is drawn at 2 x 2 or more pixels
// a block by a reduced IDCT that uses its AC coefficients too, instead of being enlarged. The
// usual scan scripts send the DC of every component first, the chroma's AC soon after, and the
// refinements of the lowest bits near the end. A preview stops once every component has the
// first bits of what its blocks are drawn from: off by about a level, for a fraction of the
// scans.
bool previewFromFirstScans(const jpeg_decompress_struct& cinfo, const DecodeHint& hint) {
    return hint.preview && cinfo.progressive_mode && cinfo.scale_denom == 8;
}

// The previews drawn from the DC of the first scans alone, without libjpeg (jpegdcpreview.h):
// Huffman-coded 8-bit grey, YCbCr and RGB. CMYK and the rest take the buffered-image path.
std::optional<jpeg::DcColour> dcPreviewColour(const jpeg_decompress_struct& cinfo) {
    if (cinfo.arith_code || cinfo.data_precision != 8)
        return std::nullopt;
    if (cinfo.num_components == 1 && cinfo.jpeg_color_space == JCS_GRAYSCALE)
        return jpeg::DcColour::Grey;
    if (cinfo.num_components == 3 && cinfo.jpeg_color_space == JCS_YCbCr)
        return jpeg::DcColour::YCbCr;
    if (cinfo.num_components == 3 && cinfo.jpeg_color_space == JCS_RGB)
        return jpeg::DcColour::Rgb;
    return std::nullopt;
}

bool drawFromDc(const jpeg_decompress_struct& cinfo, const unsigned char* data, std::size_t size,
                RotateFlipType type, QImage& target) {
    const std::optional<jpeg::DcColour> colour = dcPreviewColour(cinfo);
    if (!colour)
        return false;
    const jpeg::DcPreviewFrame frame{int(cinfo.image_width), int(cinfo.image_height), *colour};
    return jpeg::drawDcPreview(data, size, frame, type, target);
}

// What the DC of every component takes when the preview is drawn from it.
std::uint64_t dcBytes(const jpeg_decompress_struct& cinfo) {
    std::uint64_t bytes = 0;
    for (int i = 0; i < cinfo.num_components; ++i)
        bytes += jpeg::dcComponentBytes(int(cinfo.image_width), int(cinfo.image_height),
                                        cinfo.max_h_samp_factor, cinfo.max_v_samp_factor,
                                        cinfo.comp_info[i].h_samp_factor,
                                        cinfo.comp_info[i].v_samp_factor);
    return bytes;
}

bool everyComponentHasItsCoefficients(const jpeg_decompress_struct& cinfo) {
    for (int i = 0; i < cinfo.num_components; ++i) {
        const int used = cinfo.comp_info[i].DCT_scaled_size > 1 ? DCTSIZE2 : 1;
        for (int k = 0; k < used; ++k)
            if (cinfo.coef_bits[i][k] < 0)
                return false;
    }
    return true;
}

// In buffered-image mode: reads whole scans until every component has the coefficients its
// blocks are drawn from (or the file ends with its end marker), then starts the output from what
// was read.
void startFromFirstScans(j_decompress_ptr cinfo) {
    jpeg_start_decompress(cinfo);
    for (;;) {
        if (cinfo->input_scan_number > kMaxScans)
            jpeg::fail(reinterpret_cast<j_common_ptr>(cinfo));
        const int read = jpeg_consume_input(cinfo);
        if (read == JPEG_REACHED_EOI ||
            (read == JPEG_SCAN_COMPLETED && everyComponentHasItsCoefficients(*cinfo)))
            break;
        if (read == JPEG_SUSPENDED) // only a suspending source; memory sources never suspend
            jpeg::fail(reinterpret_cast<j_common_ptr>(cinfo));
    }
    jpeg_start_output(cinfo, cinfo->input_scan_number);
}

bool readPixels(DecodeState& s, QImage& image, RotateFlipType type, Band& band) {
    if (setjmp(s.errors.jump))
        return false;
    const bool preview = s.cinfo.buffered_image;
    if (preview)
        startFromFirstScans(&s.cinfo);
    else
        jpeg_start_decompress(&s.cinfo);
    const bool cmyk = s.cinfo.out_color_space == JCS_CMYK;
    const bool inverted = s.cinfo.saw_Adobe_marker;
    const JDIMENSION width = s.cinfo.output_width;
    const QSize size(int(width), int(s.cinfo.output_height));
    if (!cmyk && type == RotateNoneFlipNone) {
        while (s.cinfo.output_scanline < s.cinfo.output_height) {
            JSAMPROW row = image.scanLine(int(s.cinfo.output_scanline));
            if (jpeg_read_scanlines(&s.cinfo, &row, 1) != 1 || s.errors.invented)
                return false;
        }
    } else {
        const std::size_t sampleRow = std::size_t(width) * 4;
        const auto pixelRow = qsizetype(sampleRow);
        for (int i = 0; i < kBandRows; ++i)
            band.rows[std::size_t(i)] = band.samples.data() + std::size_t(i) * sampleRow;
        while (s.cinfo.output_scanline < s.cinfo.output_height) {
            const int first = int(s.cinfo.output_scanline);
            int count = 0;
            while (count < kBandRows && s.cinfo.output_scanline < s.cinfo.output_height) {
                const JDIMENSION read = jpeg_read_scanlines(&s.cinfo, band.rows.data() + count,
                                                            JDIMENSION(kBandRows - count));
                if (read == 0 || s.errors.invented)
                    return false;
                count += int(read);
            }
            const auto* pixels = reinterpret_cast<const uchar*>(band.samples.data());
            if (cmyk && band.profile) {
                band.profile->convert(band.samples.data(), band.pixels.data(),
                                      std::size_t(count) * width);
                pixels = reinterpret_cast<const uchar*>(band.pixels.data());
            } else if (cmyk) {
                for (int i = 0; i < count; ++i)
                    cmykRowToRgb(band.rows[std::size_t(i)],
                                 band.pixels.data() + std::size_t(i) * width, width, inverted);
                pixels = reinterpret_cast<const uchar*>(band.pixels.data());
            }
            copyRowsRotated(pixels, pixelRow, first, count, size, type, image);
        }
    }
    // A preview leaves the scans after the first unread: the caller destroys the decoder.
    if (!preview)
        jpeg_finish_decompress(&s.cinfo);
    return !s.errors.invented;
}

} // namespace

Status measureJpeg(const unsigned char* data, std::size_t size, QSize& size_out) {
    DecodeState s;
    jpeg::install(*reinterpret_cast<jpeg_common_struct*>(&s.cinfo), s.errors);
    if (!createDecompressor(s))
        return Status::OutOfMemory;
    bool ok = false;
    if (!setjmp(s.errors.jump)) {
        jpeg_mem_src(&s.cinfo, data, static_cast<unsigned long>(size));
        ok = jpeg_read_header(&s.cinfo, TRUE) == JPEG_HEADER_OK;
    }
    const QSize stored(int(s.cinfo.image_width), int(s.cinfo.image_height));
    jpeg_destroy_decompress(&s.cinfo);
    if (!ok)
        return Status::CorruptData;
    if (!sizeAllowed(stored.width(), stored.height()))
        return Status::TooLarge;
    size_out = quarterTurn(jpegExifOrientation(data, size)) ? stored.transposed() : stored;
    return Status::Ok;
}

Status planJpegDecode(const unsigned char* data, std::size_t size, const DecodeHint& hint,
                      JpegPlan& plan) {
    const int orientation = jpegExifOrientation(data, size);
    DecodeState s;
    jpeg::install(*reinterpret_cast<jpeg_common_struct*>(&s.cinfo), s.errors);
    if (!createDecompressor(s))
        return Status::OutOfMemory;
    const bool ok = startDecode(s, data, size, hint.minSize, orientation, false);
    JpegPlan result;
    if (ok) {
        const QSize output(int(s.cinfo.output_width), int(s.cinfo.output_height));
        result.upright = quarterTurn(orientation) ? output.transposed() : output;
        if (previewFromFirstScans(s.cinfo, hint) && dcPreviewColour(s.cinfo)) {
            result.coefficientBytes = dcBytes(s.cinfo);
        } else if (s.cinfo.progressive_mode || s.cinfo.buffered_image) {
            for (int i = 0; i < s.cinfo.num_components; ++i)
                result.coefficientBytes += std::uint64_t(s.cinfo.comp_info[i].width_in_blocks) *
                                           s.cinfo.comp_info[i].height_in_blocks * DCTSIZE2 *
                                           sizeof(JCOEF);
        }
    }
    const bool allowed = sizeAllowed(s.cinfo.image_width, s.cinfo.image_height);
    jpeg_destroy_decompress(&s.cinfo);
    if (!ok)
        return allowed || s.cinfo.image_width == 0 ? Status::CorruptData : Status::TooLarge;
    plan = result;
    return Status::Ok;
}

Status decodeJpeg(const unsigned char* data, std::size_t size, const DecodeHint& hint,
                  Picture& out) {
    PictureMetadata metadata = jpeg::readMetadata(data, size);
    const int orientation = exifOrientation(metadata.exif);
    DecodeState s;
    jpeg::install(*reinterpret_cast<jpeg_common_struct*>(&s.cinfo), s.errors);
    if (!createDecompressor(s))
        return Status::OutOfMemory;
    jpeg_progress_mgr progress{};
    progress.progress_monitor = onProgress;

    const RotateFlipType type =
        composeRotateFlip(rotateFlipForOrientation(orientation), hint.rotateFlip);
    Status status = Status::CorruptData;
    Picture picture;
    Band band;
    if (startDecode(s, data, size, hint.minSize, orientation)) {
        s.cinfo.progress = &progress;
        const QSize turned =
            rotatedSize(int(s.cinfo.output_width), int(s.cinfo.output_height), type);
        status = allocatePicture(turned.width(), turned.height(), false, picture);
        const bool preview = previewFromFirstScans(s.cinfo, hint);
        // The first scans' DC alone where it can; libjpeg's buffered-image mode where not.
        const bool drawn = status == Status::Ok && preview &&
                           drawFromDc(s.cinfo, data, size, type, picture.image());
        if (preview && !drawn) {
            s.cinfo.buffered_image = TRUE;
            // Smoothing would guess AC coefficients not read yet; the full decode, having them all,
            // smooths nothing either.
            s.cinfo.do_block_smoothing = FALSE;
        }
        const bool cmyk = s.cinfo.out_color_space == JCS_CMYK;
        // CMYK goes through the file's profile into sRGB, which the picture then is.
        std::optional<colour::CmykToSrgb> profile;
        if (cmyk && colour::profileKind(metadata.iccProfile) == colour::ProfileKind::Cmyk)
            profile.emplace(metadata.iccProfile, s.cinfo.saw_Adobe_marker != 0);
        if (profile && profile->valid())
            band.profile = &*profile;
        if (cmyk)
            metadata.iccProfile.clear();
        if (!drawn && status == Status::Ok && (cmyk || type != RotateNoneFlipNone)) {
            status = guarded([&] {
                band.samples.resize(std::size_t(s.cinfo.output_width) * 4 * kBandRows);
                band.rows.resize(kBandRows);
                if (cmyk)
                    band.pixels.resize(std::size_t(s.cinfo.output_width) * kBandRows);
                return Status::Ok;
            });
        }
        if (!drawn && status == Status::Ok && !readPixels(s, picture.image(), type, band))
            status = Status::CorruptData;
    } else if (sizeAllowed(s.cinfo.image_width, s.cinfo.image_height) || s.cinfo.image_width == 0) {
        status = Status::CorruptData;
    } else {
        status = Status::TooLarge;
    }
    if (status == Status::Ok && s.cinfo.scale_denom > 1) {
        // The last column and row of a reduced picture may stand for part of a pixel only.
        const double denom = s.cinfo.scale_denom;
        const QRectF stored(0, 0, s.cinfo.image_width / denom, s.cinfo.image_height / denom);
        const QSize output(int(s.cinfo.output_width), int(s.cinfo.output_height));
        picture.setContent(rotatedArea(stored, output, type));
    }
    jpeg_destroy_decompress(&s.cinfo);
    if (status == Status::Ok) {
        picture.metadata() = std::move(metadata);
        out = std::move(picture);
    }
    return status;
}

} // namespace pix::imaging

namespace pix::imaging::jpeg {

namespace {

// Keeps libjpeg's text of the current message as the decode's detail. Encoding notes nothing.
void noteMessage(j_common_ptr cinfo, detail::Severity severity) {
    if (!cinfo->is_decompressor)
        return;
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    detail::noteDecodeDetail(severity, text);
}

// Warnings after which libjpeg makes up pixels: the data ended, or a marker came, before the
// scan had all its rows (it fills the rest with grey), or the entropy-coded data is broken (it
// zeroes coefficients until the next restart marker).
bool inventsPixels(int code) {
    switch (code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
        return true;
    default:
        return false;
    }
}

void onMessage(j_common_ptr cinfo, int level) {
    auto* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (level >= 0)
        return; // trace messages
    ++manager->warnings;
    // A picture with made-up pixels is refused, whether or not an end-of-image marker follows
    // the cut, and at once rather than after filling the rows that are left. Every other warning
    // (stray bytes before a marker, an odd progression) leaves the pixels as a clean file gives
    // them: the picture is read, with the warning as its note.
    const bool invented = inventsPixels(manager->base.msg_code);
    noteMessage(cinfo, invented ? detail::Severity::Error : detail::Severity::Note);
    if (invented) {
        manager->invented = true;
        if (cinfo->is_decompressor)
            fail(cinfo);
    }
}

// A fatal error of the library: its message is kept before the jump.
[[noreturn]] void onError(j_common_ptr cinfo) {
    noteMessage(cinfo, detail::Severity::Error);
    fail(cinfo);
}

} // namespace

void fail(j_common_ptr cinfo) {
    auto* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::longjmp(manager->jump, 1);
}

void install(jpeg_common_struct& cinfo, ErrorManager& errors) {
    cinfo.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onError;
    errors.base.emit_message = onMessage;
}

} // namespace pix::imaging::jpeg
