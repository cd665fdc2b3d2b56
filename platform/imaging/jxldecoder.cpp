#include "platform/imaging/jxldecoder.h"

#include "platform/imaging/claimcheck.h"
#include "platform/imaging/cores.h"
#include "platform/imaging/decodedetail.h"
#include "platform/imaging/exifblock.h"
#include "platform/imaging/hdrtosdr.h"
#include "platform/imaging/owned.h"
#include "platform/imaging/pixelrows.h"

#include <jxl/decode.h>
#include <jxl/encode.h>
#include <jxl/thread_parallel_runner.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace pix::imaging {

namespace {

// Metadata boxes larger than this are left out: their data, decompressed, is unbounded.
constexpr std::size_t kMaxBox = std::size_t(16) << 20;

// The decoder is released before the threads it runs on.
struct Decoder {
    Owned<void, JxlThreadParallelRunnerDestroy> runner;
    Owned<JxlDecoder, JxlDecoderDestroy> decoder{JxlDecoderCreate(nullptr)};
};

Status failed(const char* reason) {
    detail::noteDecodeDetail(detail::Severity::Error, reason);
    return Status::CorruptData;
}

// The orientation of the codestream (1 to 8) as the turn that makes the stored picture upright.
RotateFlipType uprightTurn(const JxlBasicInfo& info) {
    const RotateFlipType turn = rotateFlipForOrientation(int(info.orientation));
    return isRotateFlipType(turn) ? turn : RotateNoneFlipNone;
}

// Reads up to the basic information: the stored size, the orientation, alpha.
Status basicInfo(const unsigned char* data, std::size_t size, JxlBasicInfo& info) {
    Decoder d;
    if (!d.decoder)
        return Status::OutOfMemory;
    if (JxlDecoderSubscribeEvents(d.decoder.get(), JXL_DEC_BASIC_INFO) != JXL_DEC_SUCCESS ||
        JxlDecoderSetInput(d.decoder.get(), data, size) != JXL_DEC_SUCCESS)
        return Status::InvalidParameter;
    const JxlDecoderStatus status = JxlDecoderProcessInput(d.decoder.get());
    if (status == JXL_DEC_NEED_MORE_INPUT)
        return failed("the data ends before the picture's header");
    if (status != JXL_DEC_BASIC_INFO ||
        JxlDecoderGetBasicInfo(d.decoder.get(), &info) != JXL_DEC_SUCCESS)
        return failed("the JPEG XL header is damaged");
    if (info.xsize == 0 || info.ysize == 0)
        return failed("the picture has no size");
    return Status::Ok;
}

// Where libjxl's rows go for a glance: one pixel of every step x step block (the centre of a DC
// block). libjxl may call from several threads at once; each call writes pixels of its own.
struct Output {
    QImage* image = nullptr;
    QSize stored;
    int step = 1;
    RowAlpha alpha = RowAlpha::None;
    std::optional<hdr::ToSdr> sdr; // a PQ or HLG picture's 16-bit rows, brought to SDR

    int sampleOf(int target, int extent) const {
        return std::min(target * step + step / 2, extent - 1);
    }
};

void receiveRow(void* opaque, std::size_t x, std::size_t y, std::size_t count, const void* pixels) {
    const Output& out = *static_cast<const Output*>(opaque);
    const auto* rgba = static_cast<const std::uint8_t*>(pixels);
    const auto* deep = static_cast<const std::uint16_t*>(pixels);
    const int row = int(y) / out.step;
    if (row >= out.image->height() || out.sampleOf(row, out.stored.height()) != int(y))
        return;
    auto* target = reinterpret_cast<QRgb*>(out.image->scanLine(row));
    for (int column = int(x) / out.step; column < out.image->width(); ++column) {
        const std::size_t source = std::size_t(out.sampleOf(column, out.stored.width()));
        if (source < x)
            continue;
        if (source >= x + count)
            break;
        if (out.sdr)
            out.sdr->convert(deep + (source - x) * 4, 4, 1, out.alpha, target + column);
        else
            rowToPixels(rgba + (source - x) * 4, 4, 1, out.alpha, target + column);
    }
}

// The EXIF and XMP boxes of a container, gathered as libjxl hands them out.
class Boxes {
public:
    explicit Boxes(JxlDecoder* decoder) : decoder_(decoder) {}

    // A new box starts: the previous one is complete.
    void start() {
        finish();
        JxlBoxType type;
        if (JxlDecoderGetBoxType(decoder_, type, JXL_TRUE) != JXL_DEC_SUCCESS)
            return;
        if (std::memcmp(type, "Exif", 4) == 0 && exif_.isEmpty())
            target_ = &exif_;
        else if (std::memcmp(type, "xml ", 4) == 0 && xmp_.isEmpty())
            target_ = &xmp_;
        else
            return;
        buffer_.resize(64 * 1024);
        JxlDecoderSetBoxBuffer(decoder_, reinterpret_cast<std::uint8_t*>(buffer_.data()),
                               std::size_t(buffer_.size()));
    }

    // The box's data goes on beyond the buffer: a larger one, up to the limit.
    void grow() {
        if (!target_)
            return;
        const std::size_t used = std::size_t(buffer_.size()) - JxlDecoderReleaseBoxBuffer(decoder_);
        if (std::size_t(buffer_.size()) * 2 > kMaxBox) {
            target_ = nullptr; // too large to keep: the rest of the box is skipped
            buffer_.clear();
            return;
        }
        buffer_.resize(buffer_.size() * 2);
        JxlDecoderSetBoxBuffer(decoder_, reinterpret_cast<std::uint8_t*>(buffer_.data()) + used,
                               std::size_t(buffer_.size()) - used);
    }

    void finish() {
        if (!target_)
            return;
        const std::size_t left = JxlDecoderReleaseBoxBuffer(decoder_);
        buffer_.truncate(buffer_.size() - qsizetype(left));
        *target_ = std::move(buffer_);
        target_ = nullptr;
        buffer_ = QByteArray();
    }

    QByteArray exif() const {
        return exifTiffBlockAfterOffset(reinterpret_cast<const unsigned char*>(exif_.constData()),
                                        std::size_t(exif_.size()));
    }
    const QByteArray& xmp() const { return xmp_; }

private:
    JxlDecoder* decoder_;
    QByteArray* target_ = nullptr;
    QByteArray buffer_;
    QByteArray exif_;
    QByteArray xmp_;
};

// The colour description (H.273 primaries and transfer, which libjxl's enumerations follow) of a
// PQ or HLG picture, whose pixels are brought to SDR sRGB here rather than by libjxl, which
// would take the signal for sRGB or squeeze its whole range into sRGB's; none for others.
struct HdrCodes {
    int primaries = 0;
    int transfer = 0;
};

std::optional<HdrCodes> hdrCodesOf(JxlDecoder* decoder) {
    JxlColorEncoding original;
    if (JxlDecoderGetColorAsEncodedProfile(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_ORIGINAL,
                                           &original) != JXL_DEC_SUCCESS ||
        !hdr::isHdrTransfer(int(original.transfer_function)))
        return std::nullopt;
    int primaries = 2; // custom primaries: taken as BT.2020
    if (original.primaries == JXL_PRIMARIES_SRGB || original.primaries == JXL_PRIMARIES_2100)
        primaries = int(original.primaries);
    else if (original.primaries == JXL_PRIMARIES_P3)
        primaries = original.white_point == JXL_WHITE_POINT_DCI ? 11 : 12;
    return HdrCodes{primaries, int(original.transfer_function)};
}

// Asks for sRGB pixels (libjxl converts a picture coded in its own colour space) and keeps the
// profile that describes the pixels handed out, when it is not sRGB. An HDR picture's pixels
// stay in its own encoding (`hdrCodes` then says which), to be brought to SDR after decoding.
QByteArray pixelProfile(JxlDecoder* decoder, bool grey, std::optional<HdrCodes>& hdrCodes) {
    hdrCodes = hdrCodesOf(decoder);
    if (hdrCodes) {
        JxlColorEncoding data;
        if (JxlDecoderGetColorAsEncodedProfile(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA,
                                               &data) == JXL_DEC_SUCCESS &&
            int(data.transfer_function) == hdrCodes->transfer)
            return {};
        hdrCodes.reset(); // handed out otherwise (linear): libjxl's profile describes them
    }
    JxlColorEncoding srgb;
    JxlColorEncodingSetToSRGB(&srgb, grey ? JXL_TRUE : JXL_FALSE);
    JxlDecoderSetPreferredColorProfile(decoder, &srgb); // refused when the pixels keep theirs
    JxlColorEncoding encoding;
    if (JxlDecoderGetColorAsEncodedProfile(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA,
                                           &encoding) == JXL_DEC_SUCCESS &&
        encoding.white_point == JXL_WHITE_POINT_D65 &&
        encoding.transfer_function == JXL_TRANSFER_FUNCTION_SRGB &&
        (grey || encoding.primaries == JXL_PRIMARIES_SRGB))
        return {};
    std::size_t size = 0;
    if (JxlDecoderGetICCProfileSize(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &size) !=
            JXL_DEC_SUCCESS ||
        size == 0 || size > kMaxBox)
        return {};
    QByteArray icc(qsizetype(size), Qt::Uninitialized);
    if (JxlDecoderGetColorAsICCProfile(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA,
                                       reinterpret_cast<std::uint8_t*>(icc.data()),
                                       size) != JXL_DEC_SUCCESS)
        return {};
    return icc;
}

// The step of a glance: an eighth of each side when that still covers what the caller needs.
int previewStep(const JxlBasicInfo& info, const DecodeHint& hint) {
    if (!hint.preview || hint.minSize.isEmpty())
        return 1;
    const QSize needed =
        rotatedSize(hint.minSize.width(), hint.minSize.height(), uprightTurn(info)); // as stored
    constexpr int kStep = 8;
    const bool covers = int((info.xsize + kStep - 1) / kStep) >= needed.width() &&
                        int((info.ysize + kStep - 1) / kStep) >= needed.height();
    return covers ? kStep : 1;
}

} // namespace

bool isJxlData(const unsigned char* data, std::size_t size) {
    const JxlSignature signature = JxlSignatureCheck(data, size);
    return signature == JXL_SIG_CODESTREAM || signature == JXL_SIG_CONTAINER;
}

Status measureJxl(const unsigned char* data, std::size_t size, QSize& out) {
    JxlBasicInfo info;
    const Status status = basicInfo(data, size, info);
    if (status == Status::Ok)
        out =
            rotatedSize(int(std::min<std::uint32_t>(info.xsize, kMaxSide + 1)),
                        int(std::min<std::uint32_t>(info.ysize, kMaxSide + 1)), uprightTurn(info));
    return status;
}

Status estimateJxlDecode(const unsigned char* data, std::size_t size, const DecodeHint& hint,
                         std::uint64_t& bytes) {
    JxlBasicInfo info;
    const Status status = basicInfo(data, size, info);
    if (status != Status::Ok)
        return status;
    const std::uint64_t stored = std::uint64_t(info.xsize) * info.ysize;
    const int step = previewStep(info, hint);
    const std::uint64_t picture =
        std::uint64_t((info.xsize + step - 1) / step) * ((info.ysize + step - 1) / step) * 4;
    const bool turned = composeRotateFlip(uprightTurn(info), hint.rotateFlip) != RotateNoneFlipNone;
    // libjxl works on floating-point planes of the whole frame: three colours and alpha. An HDR
    // picture (its intensity target above SDR's 255 cd/m2) is handed out at 16 bits first.
    const std::uint64_t hdrRows = info.intensity_target > 255 && step == 1 ? stored * 8 : 0;
    bytes = stored * (info.alpha_bits > 0 ? 16 : 12) + hdrRows + picture * (turned ? 2 : 1);
    return Status::Ok;
}

Status decodeJxl(const unsigned char* data, std::size_t size, const DecodeHint& hint,
                 Picture& out) {
    Decoder d;
    if (!d.decoder)
        return Status::OutOfMemory;
    JxlDecoder* decoder = d.decoder.get();
    const int cores = coresForThisThread();
    if (cores > 1) {
        d.runner.reset(JxlThreadParallelRunnerCreate(nullptr, std::size_t(cores)));
        if (d.runner)
            JxlDecoderSetParallelRunner(decoder, JxlThreadParallelRunner, d.runner.get());
    }
    int events = JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING | JXL_DEC_FULL_IMAGE | JXL_DEC_BOX;
    if (hint.preview)
        events |= JXL_DEC_FRAME_PROGRESSION;
    if (JxlDecoderSubscribeEvents(decoder, events) != JXL_DEC_SUCCESS ||
        JxlDecoderSetInput(decoder, data, size) != JXL_DEC_SUCCESS)
        return Status::InvalidParameter;
    // The input is left open: libjxl then answers a file cut short by asking for more, where
    // with the input closed it would print its complaint on the terminal.
    // The turn to upright is made here, with the caller's, as one turn.
    JxlDecoderSetKeepOrientation(decoder, JXL_TRUE);
    JxlDecoderSetUnpremultiplyAlpha(decoder, JXL_TRUE);
    JxlDecoderSetDecompressBoxes(decoder, JXL_TRUE);
    if (hint.preview)
        JxlDecoderSetProgressiveDetail(decoder, kDC);

    JxlBasicInfo info{};
    Boxes boxes(decoder);
    PictureMetadata metadata;
    Picture picture;
    Output output;
    JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    std::optional<HdrCodes> hdrCodes;
    std::vector<std::uint16_t> deep; // an HDR picture's samples, before they become pixels
    bool done = false;
    while (!done) {
        const JxlDecoderStatus event = JxlDecoderProcessInput(decoder);
        switch (event) {
        case JXL_DEC_BASIC_INFO: {
            if (JxlDecoderGetBasicInfo(decoder, &info) != JXL_DEC_SUCCESS)
                return failed("the JPEG XL header is damaged");
            const Status claim = checkClaimedSize(info.xsize, info.ysize, size);
            if (claim != Status::Ok)
                return claim;
            output.stored = QSize(int(info.xsize), int(info.ysize));
            output.step = previewStep(info, hint);
            output.alpha = info.alpha_bits > 0 ? RowAlpha::Straight : RowAlpha::None;
            break;
        }
        case JXL_DEC_COLOR_ENCODING:
            metadata.iccProfile = pixelProfile(decoder, info.num_color_channels == 1, hdrCodes);
            if (hdrCodes) {
                format.data_type = JXL_TYPE_UINT16;
                output.sdr.emplace(hdrCodes->primaries, hdrCodes->transfer, 65535);
            }
            break;
        case JXL_DEC_BOX:
            boxes.start();
            break;
        case JXL_DEC_BOX_NEED_MORE_OUTPUT:
            boxes.grow();
            break;
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
            const QSize target((output.stored.width() + output.step - 1) / output.step,
                               (output.stored.height() + output.step - 1) / output.step);
            const Status allocated = allocatePicture(target.width(), target.height(),
                                                     output.alpha != RowAlpha::None, picture);
            if (allocated != Status::Ok)
                return allocated;
            output.image = &picture.image();
            // The whole picture: libjxl writes its rows straight into the picture's memory
            // (R, G, B, A bytes), which become its pixels in place afterwards; an HDR picture's
            // 16-bit rows go to a buffer of their own first. A glance takes pixels from the rows
            // as they come.
            JxlDecoderStatus set = JXL_DEC_SUCCESS;
            if (output.step > 1) {
                set = JxlDecoderSetImageOutCallback(decoder, &format, receiveRow, &output);
            } else if (output.sdr) {
                deep.resize(std::size_t(target.width()) * std::size_t(target.height()) * 4);
                set = JxlDecoderSetImageOutBuffer(decoder, &format, deep.data(),
                                                  deep.size() * sizeof(std::uint16_t));
            } else {
                set = JxlDecoderSetImageOutBuffer(decoder, &format, picture.image().bits(),
                                                  std::size_t(picture.image().sizeInBytes()));
            }
            if (set != JXL_DEC_SUCCESS)
                return failed("libjxl refused the output");
            break;
        }
        case JXL_DEC_FRAME_PROGRESSION:
            // The DC of the frame is there: draw from it and stop.
            if (output.step > 1 && JxlDecoderFlushImage(decoder) == JXL_DEC_SUCCESS)
                done = true;
            break;
        case JXL_DEC_FULL_IMAGE: // the first frame, an animation's drawn on its canvas
            done = true;
            break;
        case JXL_DEC_SUCCESS:
            if (picture.isNull())
                return failed("the file holds no picture");
            done = true;
            break;
        case JXL_DEC_NEED_MORE_INPUT:
            return failed("the data ends before the picture");
        case JXL_DEC_ERROR:
            return failed("the JPEG XL data is damaged");
        default:
            break; // events not subscribed to
        }
    }
    boxes.finish();
    if (output.step == 1) {
        QImage& image = picture.image();
        for (int y = 0; y < image.height(); ++y) {
            uchar* row = image.scanLine(y);
            auto* pixels = reinterpret_cast<QRgb*>(row);
            if (output.sdr)
                output.sdr->convert(deep.data() + std::size_t(y) * std::size_t(image.width()) * 4,
                                    4, image.width(), output.alpha, pixels);
            else
                rowToPixels(row, 4, image.width(), output.alpha, pixels);
        }
    }
    if (output.step > 1)
        picture.setContent(QRectF(0, 0, double(output.stored.width()) / output.step,
                                  double(output.stored.height()) / output.step));
    const Status status =
        rotateFlip(picture, composeRotateFlip(uprightTurn(info), hint.rotateFlip));
    if (status != Status::Ok)
        return status;
    metadata.exif = boxes.exif();
    metadata.xmp = boxes.xmp();
    picture.metadata() = std::move(metadata);
    out = std::move(picture);
    return Status::Ok;
}

} // namespace pix::imaging
