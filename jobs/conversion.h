// Converting one job item: decode, turn and mirror, draw at the output size, encode, write.
//
// The work is split in two so the batch run can spread it over the cores: PrepareConversion
// does everything that needs no person and touches no output file (it may run on any thread);
// CommitConversion asks before replacing a file, writes it and logs the result, on the thread
// that owns the prompt and the log.
#pragma once

#include "jobs/jobitem.h"
#include "jobs/outputlog.h"
#include "jobs/userprompt.h"
#include "platform/imaging/decoder.h"
#include "platform/imaging/outputmetadata.h"
#include "platform/imaging/status.h"
#include "platform/imaging/transform.h"

#include <QByteArray>

class QObject;

namespace pix {

// Who the conversion talks to. Any of them may be missing: no prompt answers No, no sink writes
// no line.
struct ConversionContext {
    UserPrompt* prompt = nullptr;
    QObject* owner = nullptr; // the window questions belong to (the job list)
    OutputLineSink* sink = nullptr;
};

struct PreparedConversion {
    enum class Outcome {
        Encoded,   // bytes holds the output file
        NoEncoder, // the item's format cannot be written
        Failed,    // the source could not be decoded, or the output size was refused
    };
    // Where a failed conversion stopped.
    enum class Stage { Decode, Resize, Encode };
    Outcome outcome = Outcome::Failed;
    Stage stage = Stage::Decode;
    imaging::Status status = imaging::Status::Ok; // why it failed
    QString detail;       // what the decoding library said, when it said something
    QString note;         // of a decoded source: what its damage cost (lastDecodeNote), if anything
    QString metadataNote; // what of its profile or metadata had to be left out, if anything
    QByteArray bytes;
};

// What became of one row of a run, and why a failed row failed: the window and the console
// show the reason beside the result line.
struct RowResult {
    enum class Outcome {
        Converted, // the output file was written
        Declined,  // the person answered No to replacing an existing file
        Failed,
    };
    Outcome outcome = Outcome::Failed;
    QString reason;     // for a failed row: what went wrong, in a few words
    QString note;       // for a converted row: what was read despite damage, what was left out
    QString sourcePath; // the row's files, filled in by the batch run
    QString outputPath;
    quint64 itemId = 0; // the row's identity in its job list (JobList::ItemId), likewise

    static RowResult converted() { return make(Outcome::Converted, {}); }
    static RowResult declined() { return make(Outcome::Declined, {}); }
    static RowResult failed(QString why) { return make(Outcome::Failed, std::move(why)); }

private:
    static RowResult make(Outcome outcome, QString why) {
        RowResult result;
        result.outcome = outcome;
        result.reason = std::move(why);
        return result;
    }
};

// What a row's result says beyond its result line, as "SOURCE: REASON" for a failed row and
// "SOURCE: NOTE" for one converted from a damaged source; empty when there is nothing to say.
QString RowResultNote(const RowResult& result);

// The reason texts of failed rows.
QString SourceMissingReason();
QString FolderNotMadeReason(const QString& folder);
QString PreparedFailureReason(const JobItem& item, const PreparedConversion& prepared);
QString ReplacesLaterSourceReason(const QString& path);

// The rotate-flip type for an item's rotate and mirror settings.
imaging::RotateFlipType RotateFlipTypeFor(std::int32_t rotate, std::int32_t mirror);

// How the item's colours and metadata are written.
imaging::OutputChoices OutputChoicesFor(const JobItem& item);

// How the source is decoded for the item: no smaller than the output needs before the turn,
// turned and mirrored as the item says.
imaging::DecodeHint DecodeHintFor(const JobItem& item);

PreparedConversion PrepareConversion(const JobItem& item, const QString& sourcePath);

// Converted when the output file was written. Logs "The file has been saved to %s
// successfully." (with the output folder attached) or "Unable to save the file - %s.".
RowResult CommitConversion(const JobItem& item, const QString& outputPath,
                           PreparedConversion prepared, const ConversionContext& context);

// Writes "Unable to save the file - %s." for the output path, with no folder attached.
void LogUnableToSave(const ConversionContext& context, const QString& outputPath);

} // namespace pix
