// One picture file as it was found on disk: the image browser's record of a listed file, and
// the source part of a job item.
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
    kFormatWebp = 7,
    kFormatAvif = 8,
    kFormatJxl = 9,
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

} // namespace pix
