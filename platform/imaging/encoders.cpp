#include "platform/imaging/encoders.h"

#include "platform/imaging/bmpencoder.h"
#include "platform/imaging/gifencoder.h"
#include "platform/imaging/guard.h"
#include "platform/imaging/jpegcodec.h"
#include "platform/imaging/pngencoder.h"
#include "platform/imaging/tiffencoder.h"

#include <QBuffer>
#include <QSaveFile>

namespace pix::imaging {

namespace {

enum EncoderValue { kBmp = 1, kJpeg, kGif, kTiff, kPng };

constexpr int kDefaultJpegQuality = 75;

} // namespace

const std::vector<EncoderInfo>& imageEncoders() {
    static const std::vector<EncoderInfo> encoders = {
        {{kBmp}, "image/bmp", "BMP", "*.BMP;*.DIB;*.RLE"},
        {{kJpeg}, "image/jpeg", "JPEG", "*.JPG;*.JPEG;*.JPE;*.JFIF"},
        {{kGif}, "image/gif", "GIF", "*.GIF"},
        {{kTiff}, "image/tiff", "TIFF", "*.TIF;*.TIFF"},
        {{kPng}, "image/png", "PNG", "*.PNG"},
    };
    return encoders;
}

EncoderId findEncoderByMimeType(const QString& mimeType) {
    for (const EncoderInfo& info : imageEncoders()) {
        if (info.mimeType == mimeType)
            return info.id;
    }
    return {};
}

namespace {

Status encodeWith(Picture&& picture, QIODevice& device, EncoderId encoder,
                  std::optional<int> quality) {
    switch (encoder.value) {
    case kBmp:
        return encodeBmp(picture, device);
    case kJpeg:
        return encodeJpeg(picture, quality.value_or(kDefaultJpegQuality), device);
    case kGif:
        return encodeGif(picture, device);
    case kTiff:
        return encodeTiff(picture, device);
    case kPng:
        return encodePng(std::move(picture), device);
    default:
        return Status::UnknownEncoder;
    }
}

// The checked, exception-safe entry of both public encoding calls.
Status encodeChecked(Picture&& picture, QIODevice& device, EncoderId encoder,
                     std::optional<int> quality) {
    if (picture.isNull())
        return Status::InvalidParameter;
    return guarded([&] { return encodeWith(std::move(picture), device, encoder, quality); });
}

} // namespace

Status encodePicture(const Picture& picture, QIODevice& device, EncoderId encoder,
                     std::optional<int> quality) {
    return encodeChecked(Picture(picture), device, encoder, quality);
}

Status savePicture(const Picture& picture, const QString& path, EncoderId encoder,
                   std::optional<int> quality) {
    if (picture.isNull() || path.isEmpty())
        return Status::InvalidParameter;
    if (encoder.isNull() || encoder.value > kPng)
        return Status::UnknownEncoder;
    // QSaveFile writes next to the target and renames over it only on commit; when it is
    // destroyed uncommitted, the temporary file is removed and the target stays as it was.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Status::WriteFailed;
    const Status status = encodePicture(picture, file, encoder, quality);
    if (status != Status::Ok) {
        file.cancelWriting();
        return status;
    }
    return file.commit() ? Status::Ok : Status::WriteFailed;
}

Status encodeToMemory(Picture picture, EncoderId encoder, std::optional<int> quality,
                      QByteArray& bytes) {
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    const Status status = encodeChecked(std::move(picture), buffer, encoder, quality);
    if (status == Status::Ok)
        bytes = std::move(encoded);
    return status;
}

Status writeFileReplacing(const QString& path, const QByteArray& bytes) {
    if (path.isEmpty())
        return Status::InvalidParameter;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Status::WriteFailed;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return Status::WriteFailed;
    }
    return file.commit() ? Status::Ok : Status::WriteFailed;
}

} // namespace pix::imaging
