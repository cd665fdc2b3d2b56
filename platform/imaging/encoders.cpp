#include "platform/imaging/encoders.h"

#include "platform/imaging/codecs.h"
#include "platform/imaging/guard.h"
#include "platform/safefile.h"

#include <QBuffer>
#include <algorithm>

namespace pix::imaging {

const std::vector<EncoderInfo>& imageEncoders() {
    static const std::vector<EncoderInfo> encoders = [] {
        std::vector<EncoderInfo> list;
        for (const Codec& codec : codecs()) {
            const EncoderEntry& e = codec.encoder;
            if (e.id != 0)
                list.push_back({{e.id}, e.mimeType, e.description, e.extensions});
        }
        std::sort(list.begin(), list.end(), [](const EncoderInfo& a, const EncoderInfo& b) {
            return a.id.value < b.id.value;
        });
        return list;
    }();
    return encoders;
}

EncoderId findEncoderByMimeType(const QString& mimeType) {
    for (const EncoderInfo& info : imageEncoders()) {
        if (info.mimeType == mimeType)
            return info.id;
    }
    return {};
}

std::uint64_t encoderWorkingMemory(EncoderId encoder, QSize size) {
    const Codec* codec = codecForEncoder(encoder.value);
    if (!codec || size.isEmpty())
        return 0;
    return std::uint64_t(size.width()) * std::uint64_t(size.height()) *
           std::uint64_t(codec->encoder.workingBytesPerPixel);
}

EncoderCapacity encoderCapacity(EncoderId encoder) {
    const Codec* codec = codecForEncoder(encoder.value);
    return codec ? EncoderCapacity{codec->encoder.carries, codec->encoder.maxBlockBytes}
                 : EncoderCapacity{};
}

namespace {

// The checked, exception-safe entry of both public encoding calls.
Status encodeChecked(Picture&& picture, QIODevice& device, EncoderId encoder,
                     std::optional<int> quality) {
    if (picture.isNull())
        return Status::InvalidParameter;
    const Codec* codec = codecForEncoder(encoder.value);
    if (!codec)
        return Status::UnknownEncoder;
    return guarded([&] { return codec->encoder.encode(std::move(picture), device, quality); });
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
    if (!codecForEncoder(encoder.value))
        return Status::UnknownEncoder;
    // Written next to the target and renamed over it only on commit; when the file is
    // destroyed uncommitted, the temporary file is removed and the target stays as it was.
    SafeFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Status::WriteFailed;
    const Status status = encodePicture(picture, file, encoder, quality);
    if (status != Status::Ok)
        return status;
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
    SafeFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return Status::WriteFailed;
    return file.commit() ? Status::Ok : Status::WriteFailed;
}

} // namespace pix::imaging
