#include "jobs/conversion.h"

#include "jobs/outputnaming.h"
#include "jobs/quarterturn.h"
#include "jobs/writefailure.h"
#include "platform/imaging/decoder.h"
#include "platform/imaging/encoders.h"
#include "platform/imaging/transform.h"
#include "platform/imaging/webpencoder.h"

#include <QFileInfo>
#include <QStringList>
#include <algorithm>

namespace pix {

namespace {

using imaging::Status;

// The question's wording, grammar included, is the program's established text: people and
// answering scripts recognise it as it stands.
const char* const kReplaceQuestion =
    "The file is already exists. Would you like to replace the existing file?";

void logLine(const ConversionContext& context, const QString& text,
             const std::optional<QString>& path = std::nullopt) {
    if (context.sink)
        context.sink->AddOutputLine(text, path);
}

// The decoded picture only needs to be as large as the output before it is turned; the decoder
// turns and mirrors it as it goes.
} // namespace

imaging::OutputChoices OutputChoicesFor(const JobItem& item) {
    using imaging::metadata::Choice;
    imaging::OutputChoices choices;
    choices.convertToSrgb = item.output.colour == ColourChoice::ConvertToSrgb;
    switch (item.output.metadata) {
    case MetadataChoice::RemoveLocation:
        choices.metadata = Choice::RemoveLocation;
        break;
    case MetadataChoice::RemoveAll:
        choices.metadata = Choice::RemoveAll;
        break;
    case MetadataChoice::KeepAll:
        break;
    }
    return choices;
}

imaging::DecodeHint DecodeHintFor(const JobItem& item) {
    const QSize size = TurnedSize(QSize(item.output.width, item.output.height), item.output.rotate);
    return {size.isValid() ? size : QSize(),
            RotateFlipTypeFor(item.output.rotate, item.output.mirror)};
}

namespace {

PreparedConversion failed(PreparedConversion::Stage stage, Status status) {
    PreparedConversion result;
    result.outcome = PreparedConversion::Outcome::Failed;
    result.stage = stage;
    result.status = status;
    return result;
}

QString statusWords(Status status) {
    return QString::fromUtf8(imaging::statusText(status));
}

// JPEG files hold at most 65500 pixels a side, whatever the service accepts.
constexpr int kJpegMaxSide = 65500;

} // namespace

void LogUnableToSave(const ConversionContext& context, const QString& outputPath) {
    logLine(context, QStringLiteral("Unable to save the file - %1.").arg(outputPath));
}

QString SourceMissingReason() {
    return QStringLiteral("the source file does not exist");
}

QString FolderNotMadeReason(const QString& folder) {
    return QStringLiteral("the output folder %1 could not be made").arg(folder);
}

QString ReplacesLaterSourceReason(const QString& path) {
    return QStringLiteral("it would replace %1, which a later row still has to convert").arg(path);
}

QString PreparedFailureReason(const JobItem& item, const PreparedConversion& prepared) {
    using Stage = PreparedConversion::Stage;
    if (prepared.outcome == PreparedConversion::Outcome::NoEncoder)
        return QStringLiteral("no encoder writes %1 files")
            .arg(GetOutputExtension(item, item.output.formatCode).toUpper());
    if (prepared.status == Status::OutOfMemory)
        return QStringLiteral("out of memory");
    switch (prepared.stage) {
    case Stage::Decode:
        if (!prepared.detail.isEmpty())
            return QStringLiteral("cannot read the picture: %1 (%2)")
                .arg(statusWords(prepared.status), prepared.detail);
        return QStringLiteral("cannot read the picture: %1").arg(statusWords(prepared.status));
    case Stage::Resize:
        return QStringLiteral("cannot make a picture of %1 x %2: %3")
            .arg(item.output.width)
            .arg(item.output.height)
            .arg(statusWords(prepared.status));
    case Stage::Encode:
        break;
    }
    const QString format = GetOutputExtension(item, item.output.formatCode).toUpper();
    if (ChooseEncoder(item) == LookUpEncoder(QStringLiteral("image/jpeg")) &&
        std::max(item.output.width, item.output.height) > kJpegMaxSide)
        return QStringLiteral("too large for JPEG, which holds at most %1 pixels a side")
            .arg(kJpegMaxSide);
    if (ChooseEncoder(item) == LookUpEncoder(QStringLiteral("image/webp")) &&
        std::max(item.output.width, item.output.height) > imaging::kWebpMaxSide)
        return QStringLiteral("too large for WebP, which holds at most %1 pixels a side")
            .arg(imaging::kWebpMaxSide);
    return QStringLiteral("cannot encode the picture as %1: %2")
        .arg(format, statusWords(prepared.status));
}

QString RowResultNote(const RowResult& result) {
    const QString& what = result.outcome == RowResult::Outcome::Failed      ? result.reason
                          : result.outcome == RowResult::Outcome::Converted ? result.note
                                                                            : QString();
    if (what.isEmpty())
        return {};
    return result.sourcePath + QStringLiteral(": ") + what;
}

imaging::RotateFlipType RotateFlipTypeFor(std::int32_t rotate, std::int32_t mirror) {
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
    using Stage = PreparedConversion::Stage;
    Status status = imaging::decodeFile(sourcePath, source, DecodeHintFor(item));
    if (status != Status::Ok) {
        PreparedConversion result = failed(Stage::Decode, status);
        // Read on this thread, before anything else decodes here.
        result.detail = imaging::lastDecodeDetail();
        return result;
    }
    const QString note = imaging::lastDecodeNote(); // read before anything else decodes here
    // The whole source stretched over a new picture of the output size.
    imaging::Picture output;
    status = imaging::resizePicture(source, item.output.width, item.output.height, output);
    output.metadata() = std::move(source.metadata());
    source = {}; // release the source pixels before encoding
    if (status != Status::Ok)
        return failed(Stage::Resize, status);
    PreparedConversion result;
    result.note = note;
    result.metadataNote = imaging::prepareForEncoder(output, encoder, OutputChoicesFor(item));
    status = imaging::encodeToMemory(std::move(output), encoder, EncoderQuality(item, encoder),
                                     result.bytes);
    if (status != Status::Ok)
        return failed(Stage::Encode, status);
    result.outcome = PreparedConversion::Outcome::Encoded;
    return result;
}

RowResult CommitConversion(const JobItem& item, const QString& outputPath,
                           PreparedConversion prepared, const ConversionContext& context) {
    if (prepared.outcome != PreparedConversion::Outcome::Encoded) {
        // An item that cannot be written is reported, not skipped in silence.
        LogUnableToSave(context, outputPath);
        return RowResult::failed(PreparedFailureReason(item, prepared));
    }
    if (QFileInfo(outputPath).isDir()) {
        // Nothing to ask: a folder is never replaced by a picture.
        LogUnableToSave(context, outputPath);
        return RowResult::failed(QStringLiteral("the target is a folder"));
    }
    if (item.output.overwrite == 0 && QFileInfo::exists(outputPath)) {
        const Answer answer =
            context.prompt ? context.prompt->askReplaceFile(QString::fromLatin1(kReplaceQuestion),
                                                            outputPath, context.owner)
                           : Answer::No;
        if (answer == Answer::No)
            return RowResult::declined();
    }
    const Status written = imaging::writeFileReplacing(outputPath, prepared.bytes);
    if (written != Status::Ok) {
        LogUnableToSave(context, outputPath);
        return RowResult::failed(DescribeWriteFailure(outputPath, prepared.bytes.size()));
    }
    logLine(context, QStringLiteral("The file has been saved to %1 successfully.").arg(outputPath),
            OutputFolder(item));
    RowResult result = RowResult::converted();
    QStringList notes;
    if (!prepared.note.isEmpty())
        notes << QStringLiteral("read despite damage (%1)").arg(prepared.note);
    if (!prepared.metadataNote.isEmpty())
        notes << prepared.metadataNote;
    result.note = notes.join(QStringLiteral("; "));
    return result;
}

} // namespace pix
