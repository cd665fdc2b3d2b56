// The records of the job list: one picture file, its conversion settings, and the row that
// joins them.
#pragma once

#include <QString>
#include <cstdint>

namespace pix {

// Output format codes, shared by the job items, the settings dialog's format list and the job
// file loader. 4 and 6 are not used; any other value behaves like RemainOriginal.
enum FormatCode : std::int32_t {
    kFormatBitmap = 0,
    kFormatJpg = 1,
    kFormatGif = 2,
    kFormatPng = 3,
    kFormatTiff = 5,
    kFormatRemainOriginal = 99,
};

// One picture file as it was found on disk.
struct ImageInfo {
    QString typeName;       // the desktop's description of the file type, e.g. "JPEG image"
    QString fileName;       // name with extension, no folder
    QString folder;         // folder that holds the file
    std::int32_t width = 0; // pixels
    std::int32_t height = 0;
    std::int64_t modified = 0; // last write, seconds since 1970-01-01 UTC
    std::uint64_t fileSize = 0;
    std::int32_t formatCode = kFormatRemainOriginal;
};

// The conversion settings of one item. The ImageInfo part describes the output: folder,
// size and format; fileName is the name a job file gave, empty for pictures added by hand.
struct JobOutput : ImageInfo {
    std::int32_t includeSubfolders = 0;
    std::int32_t overwrite = 0; // non-zero: replace an existing output file without asking
    std::int32_t rotate = 0;    // 0, 90, 180 or 270, clockwise
    std::int32_t quality = 80;  // JPEG quality 0 to 100
    QString prefix;             // rename prefix; empty keeps the name
    std::int32_t startNumber = 0;
    std::int32_t mirror = 0; // non-zero: flipped left to right after the turn
};

struct JobItem {
    ImageInfo source; // formatCode is always kFormatRemainOriginal
    JobOutput output;
    QString remarks; // what the run will do, shown in the "Remarks" column
};

} // namespace pix
