// The records of the job list: one picture file, its conversion settings, and the row that
// joins them.
#pragma once

#include "browser/common/imageinfo.h"
#include "jobs/resizerule.h"

#include <QString>
#include <cstdint>

namespace pix {

// What the conversion does with the picture's colour profile and metadata (jobs/outputchoices.h
// names them for the dialog, the job file and the remarks).
enum class ColourChoice : std::int32_t {
    KeepProfile,   // the embedded profile travels with the pixels
    ConvertToSrgb, // the pixels are converted to sRGB and tagged as such
};
enum class MetadataChoice : std::int32_t {
    KeepAll,
    RemoveLocation,
    RemoveAll,
};

// The conversion settings of one item. The ImageInfo part describes the output: folder,
// size and format; fileName is the name a job file gave, empty for pictures added by hand.
struct JobOutput : ImageInfo {
    std::int32_t includeSubfolders = 0;
    std::int32_t overwrite = 0; // non-zero: replace an existing output file without asking
    std::int32_t rotate = 0;    // 0, 90, 180 or 270, clockwise
    std::int32_t quality = 80;  // JPEG, WebP, AVIF and JPEG XL quality 0 to 100
    QString prefix;             // rename prefix; empty keeps the name
    std::int32_t startNumber = 0;
    std::int32_t mirror = 0; // non-zero: flipped left to right after the turn
    // How width and height were chosen; the Settings dialog opens with it again.
    ResizeRule resize;
    // The picture's folder below the folder it was found in (a job file's folder entry, a
    // folder dropped on the job list), "/"-separated; empty for a picture named by itself.
    QString relativeFolder;
    std::int32_t keepFolders = 0; // non-zero: written into folder/relativeFolder
    ColourChoice colour = ColourChoice::KeepProfile;
    MetadataChoice metadata = MetadataChoice::KeepAll;
};

struct JobItem {
    ImageInfo source; // formatCode is always kFormatRemainOriginal
    JobOutput output;
    QString remarks; // what the run will do, shown in the "Remarks" column
};

} // namespace pix
