#include "platform/imaging/jxlencoder.h"

#include "platform/imaging/colourprofile.h"
#include "platform/imaging/cores.h"
#include "platform/imaging/owned.h"

#include <jxl/encode.h>
#include <jxl/thread_parallel_runner.h>

#include <algorithm>
#include <vector>

namespace pix::imaging {

namespace {

// libjxl's effort (1 fastest to 9 slowest); docs/performance.md says why this one.
constexpr int kJxlEffort = 7;

// The encoder is released before the threads it runs on.
struct Encoder {
    Owned<void, JxlThreadParallelRunnerDestroy> runner;
    Owned<JxlEncoder, JxlEncoderDestroy> encoder{JxlEncoderCreate(nullptr)};
};

// The straight pixels as R, G, B (and A) bytes, the layouts libjxl reads.
std::vector<std::uint8_t> samplesOf(const QImage& straight, bool alpha) {
    const int channels = alpha ? 4 : 3;
    std::vector<std::uint8_t> samples(std::size_t(straight.width()) *
                                      std::size_t(straight.height()) * std::size_t(channels));
    std::uint8_t* out = samples.data();
    for (int y = 0; y < straight.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(straight.constScanLine(y));
        for (int x = 0; x < straight.width(); ++x) {
            *out++ = std::uint8_t(qRed(row[x]));
            *out++ = std::uint8_t(qGreen(row[x]));
            *out++ = std::uint8_t(qBlue(row[x]));
            if (alpha)
                *out++ = std::uint8_t(qAlpha(row[x]));
        }
    }
    return samples;
}

const std::uint8_t* bytesOf(const QByteArray& block) {
    return reinterpret_cast<const std::uint8_t*>(block.constData());
}

// The pixels' colours: the picture's profile where it has one (libjxl codes a lossy picture in
// its own space from it and keeps the profile for the decoder), sRGB otherwise.
bool setColour(JxlEncoder* encoder, const QByteArray& icc) {
    if (!icc.isEmpty())
        return JxlEncoderSetICCProfile(encoder, bytesOf(icc), std::size_t(icc.size())) ==
               JXL_ENC_SUCCESS;
    JxlColorEncoding srgb;
    JxlColorEncodingSetToSRGB(&srgb, JXL_FALSE);
    return JxlEncoderSetColorEncoding(encoder, &srgb) == JXL_ENC_SUCCESS;
}

// True when libjxl takes the profile for 8-bit RGB (or there is none), asked of an encoder of
// its own, which a refused profile leaves unusable.
bool takesProfile(const QByteArray& icc) {
    if (icc.isEmpty())
        return true;
    const Encoder trial;
    JxlBasicInfo info;
    JxlEncoderInitBasicInfo(&info);
    info.xsize = info.ysize = 1;
    info.bits_per_sample = 8;
    info.num_color_channels = 3;
    return trial.encoder && JxlEncoderSetBasicInfo(trial.encoder.get(), &info) == JXL_ENC_SUCCESS &&
           setColour(trial.encoder.get(), icc);
}

// EXIF and XMP as the container's "Exif" and "xml " boxes; the Exif box begins with the offset of
// the TIFF header after its first four bytes, here 0.
bool addBoxes(JxlEncoder* encoder, const PictureMetadata& metadata) {
    if (metadata.exif.isEmpty() && metadata.xmp.isEmpty())
        return true;
    if (JxlEncoderUseContainer(encoder, JXL_TRUE) != JXL_ENC_SUCCESS ||
        JxlEncoderUseBoxes(encoder) != JXL_ENC_SUCCESS)
        return false;
    if (!metadata.exif.isEmpty()) {
        const QByteArray exif = QByteArray(4, '\0') + metadata.exif;
        if (JxlEncoderAddBox(encoder, "Exif", bytesOf(exif), std::size_t(exif.size()), JXL_FALSE) !=
            JXL_ENC_SUCCESS)
            return false;
    }
    if (!metadata.xmp.isEmpty() &&
        JxlEncoderAddBox(encoder, "xml ", bytesOf(metadata.xmp), std::size_t(metadata.xmp.size()),
                         JXL_FALSE) != JXL_ENC_SUCCESS)
        return false;
    JxlEncoderCloseBoxes(encoder);
    return true;
}

} // namespace

float jxlDistanceForQuality(int quality) {
    // cjxl's mapping: 90 is distance 1 (visually lossless), each step of quality below that
    // 0.09 more, and below 30 a parabola up to distance 25 at 0.
    const float q = float(std::clamp(quality, 0, 100));
    if (q >= 100)
        return 0.0f;
    if (q >= 30)
        return 0.1f + (100 - q) * 0.09f;
    return 53.0f / 3000.0f * q * q - 23.0f / 20.0f * q + 25.0f;
}

Status encodeJxl(Picture&& picture, int quality, QIODevice& device) {
    if (picture.isNull())
        return Status::InvalidParameter;
    const bool alpha = picture.hasAlpha() && hasTranslucentPixels(picture.image());
    const int width = picture.width();
    const int height = picture.height();
    std::vector<std::uint8_t> samples;
    // A profile libjxl cannot take is no reason to fail: the colours are then written as sRGB.
    if (!takesProfile(picture.metadata().iccProfile))
        colour::convertToSrgb(picture);
    const PictureMetadata metadata = std::move(picture.metadata());
    {
        const QImage straight = picture.toStraightArgb();
        picture = Picture();
        if (straight.isNull())
            return Status::OutOfMemory;
        samples = samplesOf(straight, alpha);
    }
    Encoder e;
    if (!e.encoder)
        return Status::OutOfMemory;
    JxlEncoder* encoder = e.encoder.get();
    const int cores = coresForThisThread();
    if (cores > 1) {
        e.runner.reset(JxlThreadParallelRunnerCreate(nullptr, std::size_t(cores)));
        if (e.runner)
            JxlEncoderSetParallelRunner(encoder, JxlThreadParallelRunner, e.runner.get());
    }
    const float distance = jxlDistanceForQuality(quality);
    JxlBasicInfo info;
    JxlEncoderInitBasicInfo(&info);
    info.xsize = std::uint32_t(width);
    info.ysize = std::uint32_t(height);
    info.bits_per_sample = 8;
    info.num_color_channels = 3;
    info.alpha_bits = alpha ? 8 : 0;
    info.num_extra_channels = alpha ? 1 : 0;
    // A lossless picture keeps its sRGB samples; a lossy one is coded in libjxl's own space.
    info.uses_original_profile = distance == 0.0f ? JXL_TRUE : JXL_FALSE;
    if (JxlEncoderSetBasicInfo(encoder, &info) != JXL_ENC_SUCCESS ||
        !setColour(encoder, metadata.iccProfile) || !addBoxes(encoder, metadata))
        return Status::InvalidParameter;
    if (alpha) {
        JxlExtraChannelInfo channel;
        JxlEncoderInitExtraChannelInfo(JXL_CHANNEL_ALPHA, &channel);
        channel.bits_per_sample = 8;
        if (JxlEncoderSetExtraChannelInfo(encoder, 0, &channel) != JXL_ENC_SUCCESS)
            return Status::InvalidParameter;
    }
    JxlEncoderFrameSettings* settings = JxlEncoderFrameSettingsCreate(encoder, nullptr);
    if (!settings || JxlEncoderFrameSettingsSetOption(settings, JXL_ENC_FRAME_SETTING_EFFORT,
                                                      kJxlEffort) != JXL_ENC_SUCCESS)
        return Status::InvalidParameter;
    const JxlEncoderStatus set = distance == 0.0f ? JxlEncoderSetFrameLossless(settings, JXL_TRUE)
                                                  : JxlEncoderSetFrameDistance(settings, distance);
    if (set != JXL_ENC_SUCCESS)
        return Status::InvalidParameter;
    const JxlPixelFormat format{alpha ? 4u : 3u, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    if (JxlEncoderAddImageFrame(settings, &format, samples.data(), samples.size()) !=
        JXL_ENC_SUCCESS)
        return Status::OutOfMemory;
    JxlEncoderCloseInput(encoder);
    samples = {};
    // The coded bytes, a chunk at a time.
    std::vector<std::uint8_t> chunk(std::size_t(1) << 16);
    for (;;) {
        std::uint8_t* next = chunk.data();
        std::size_t room = chunk.size();
        const JxlEncoderStatus status = JxlEncoderProcessOutput(encoder, &next, &room);
        const qint64 made = qint64(chunk.size() - room);
        if (made > 0 && device.write(reinterpret_cast<const char*>(chunk.data()), made) != made)
            return Status::WriteFailed;
        if (status == JXL_ENC_SUCCESS)
            return Status::Ok;
        if (status != JXL_ENC_NEED_MORE_OUTPUT)
            return Status::OutOfMemory;
    }
}

} // namespace pix::imaging
