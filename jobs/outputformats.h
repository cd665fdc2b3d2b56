// The output formats a job item can be written as: one row per format, read by the output
// naming, the encoder choice, the job-file attributes and the settings dialog's format list.
// Adding a format is one row here plus its encoder in the imaging service.
#pragma once

#include "jobs/jobitem.h"

#include <QLatin1String>
#include <QStringView>
#include <span>

namespace pix {

struct OutputFormat {
    std::int32_t code;       // the format code stored in job items
    QLatin1String keyword;   // the job file's "outputformat" value
    QLatin1String extension; // written after the output name's "."
    // Other spellings of the extension that "Remain Original" keeps in this format.
    std::span<const QLatin1String> aliases;
    QLatin1String mimeType; // the encoder is looked up by it
    QLatin1String label;    // the format's name in the settings dialog's list
};

// The written formats in the order "Remain Original" tests a source's extension.
std::span<const OutputFormat> outputFormats();

// The row of a format code; none for "Remain Original" and every unknown code.
const OutputFormat* outputFormatForCode(std::int32_t code);

// The row whose keyword is the text, without regard to case (also "jpeg" and "tiff", as people
// type them); none when no row has it.
const OutputFormat* outputFormatForKeyword(QStringView keyword);

// True for the formats whose encoders take the job item's quality (JPG, WebP, AVIF, JPEG XL).
bool takesQuality(std::int32_t code);

// The row that writes files with this extension (its own or an alias), without regard to case.
const OutputFormat* outputFormatForExtension(QStringView extension);

// The settings dialog's format list in its display order: "Remain Original" (no row of its own),
// the long-standing written formats by their labels, then WebP, AVIF and JPEG XL.
struct FormatChoice {
    std::int32_t code;
    QLatin1String label;
};
std::span<const FormatChoice> formatChoices();

} // namespace pix
