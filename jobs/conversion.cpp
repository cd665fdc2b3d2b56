#include "jobs/conversion.h"

#include "jobs/outputnaming.h"
#include "platform/imaging/decoder.h"
#include "platform/imaging/encoders.h"
#include "platform/imaging/transform.h"

#include <QFileInfo>

namespace pix {

namespace {

using imaging::Status;

const char* const kReplaceQuestion =
    "The file is already exists. Would you like to replace the existing file?";

void logLine(const ConversionContext& context, const QString& text,
             const std::optional<QString>& path = std::nullopt) {
    if (context.sink)
        context.sink->AddOutputLine(text, path);
}

// The decoded picture only needs to be as large as the output before it is turned; the decoder
// turns and mirrors it as it goes.
imaging::DecodeHint hintFor(const JobItem& item) {
    QSize size(item.output.width, item.output.height);
    if (item.output.rotate == 90 || item.output.rotate == 270)
        size.transpose();
    return {size.isValid() ? size : QSize(),
            imaging::RotateFlipType(RotateFlipTypeFor(item.output.rotate, item.output.mirror))};
}

PreparedConversion failed(Status status) {
    PreparedConversion result;
    result.outcome = PreparedConversion::Outcome::Failed;
    result.status = status;
    return result;
}

} // namespace

void LogUnableToSave(const ConversionContext& context, const QString& outputPath) {
    logLine(context, QStringLiteral("Unable to save the file - %1.").arg(outputPath));
}

int RotateFlipTypeFor(std::int32_t rotate, std::int32_t mirror) {
    using namespace imaging;
    switch (rotate) {
    case 90:
        return mirror ? Rotate90FlipX : Rotate90FlipNone;
    case 180:
        return mirror ? Rotate180FlipX : Rotate180FlipNone;
    case 270:
        return mirror ? Rotate270FlipX : Rotate270FlipNone;
    default:
        return mirror ? RotateNoneFlipX : RotateNoneFlipNone;
    }
}

PreparedConversion PrepareConversion(const JobItem& item, const QString& sourcePath) {
    const imaging::EncoderId encoder = ChooseEncoder(item);
    if (encoder.isNull()) {
        PreparedConversion result;
        result.outcome = PreparedConversion::Outcome::NoEncoder;
        return result;
    }
    imaging::Picture source;
    Status status = imaging::decodeFile(sourcePath, source, hintFor(item));
    if (status != Status::Ok)
        return failed(status);
    // The whole source stretched over a new picture of the output size.
    imaging::Picture output;
    status = imaging::resizePicture(source, item.output.width, item.output.height, output);
    source = {}; // release the source pixels before encoding
    if (status != Status::Ok)
        return failed(status);
    PreparedConversion result;
    status = imaging::encodeToMemory(std::move(output), encoder, EncoderQuality(item, encoder),
                                     result.bytes);
    if (status != Status::Ok)
        return failed(status);
    result.outcome = PreparedConversion::Outcome::Encoded;
    return result;
}

bool CommitConversion(const JobItem& item, const QString& outputPath, PreparedConversion prepared,
                      const ConversionContext& context) {
    if (prepared.outcome != PreparedConversion::Outcome::Encoded) {
        // An item that cannot be written is reported, not skipped in silence.
        LogUnableToSave(context, outputPath);
        return false;
    }
    if (item.output.overwrite == 0 && QFileInfo::exists(outputPath)) {
        const Answer answer = context.prompt
                                  ? context.prompt->askYesNo(QString::fromLatin1(kReplaceQuestion),
                                                             MessageIcon::Question, context.owner)
                                  : Answer::No;
        if (answer == Answer::No)
            return false;
    }
    if (imaging::writeFileReplacing(outputPath, prepared.bytes) != Status::Ok) {
        LogUnableToSave(context, outputPath);
        return false;
    }
    logLine(context, QStringLiteral("The file has been saved to %1 successfully.").arg(outputPath),
            item.output.folder);
    return true;
}

bool ConvertItem(const JobItem& item, const QString& sourcePath, const QString& outputPath,
                 const ConversionContext& context) {
    return CommitConversion(item, outputPath, PrepareConversion(item, sourcePath), context);
}

} // namespace pix
