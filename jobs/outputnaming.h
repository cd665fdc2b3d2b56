// What a job item is written as: the output extension, path, encoder and encoder parameters.
#pragma once

#include "jobs/jobitem.h"
#include "platform/imaging/encoders.h"

#include <QString>
#include <optional>

namespace pix {

// The extension for a format code: "bmp", "jpg", "gif", "png", "tif"; for any other code the
// part of source.fileName after its last "." as written there (empty without a ".").
QString GetOutputExtension(const JobItem& item, int formatCode);

// The folder the output file goes to: the output folder, and below it the picture's relative
// folder when the item keeps the folder structure.
QString OutputFolder(const JobItem& item);

// The full path of the output file. With a prefix the file is renamed to prefix, a number of
// at least three digits and the extension; otherwise the row name keeps its stem. Only the file
// name is turned to lower case: folders keep their case, as file names here are case-sensitive.
QString BuildOutputPath(const JobItem& item, const QString& rowName);

// The output file's name without its folder, in lower case: with a prefix, the prefix, the
// item's number (three digits at least) and the format's extension; otherwise the given name
// with its extension replaced by the format's (a name without "." is kept as it is). The batch
// run names the file by the row name; the "Remarks" column shows the same rule for the source
// name.
QString OutputFileName(const JobItem& item, const QString& name);

// A rename number as written into file names: at least three digits, zero-padded.
QString threeDigits(qint64 number);

// The encoder that writes the item, or the null identifier when it cannot be written: codes 4
// and 6, and "Remain Original" for a source whose format has no encoder (icons, metafiles).
// Encoders are looked up by the format's MIME type each time; the look-up is a short scan.
imaging::EncoderId ChooseEncoder(const JobItem& item);

// The encoder registered for exactly this MIME type, or null.
imaging::EncoderId LookUpEncoder(const QString& mimeType);

// The quality to save with: set when the item is written as JPEG, WebP, AVIF or JPEG XL (also
// as its source's own format), none otherwise.
std::optional<int> EncoderQuality(const JobItem& item, imaging::EncoderId encoder);

} // namespace pix
