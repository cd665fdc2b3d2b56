// Result codes of the imaging service. Every operation answers one of these;
// no exception leaves the module.
#pragma once

namespace pix::imaging {

enum class Status {
    Ok = 0,
    InvalidParameter,   // a null picture, a size of zero, an unknown rotate-flip type
    OutOfMemory,        // the pixel buffer could not be allocated
    FileNotFound,       // the file could not be opened for reading
    UnknownImageFormat, // no decoder recognises the data
    CorruptData,        // a decoder found the data truncated or malformed
    TooLarge,           // the picture exceeds the size the service accepts
    UnknownEncoder,     // no encoder with that identifier
    WriteFailed,        // the output file could not be written or put in place
};

// A short English description, for log lines and test messages.
const char* statusText(Status status);

} // namespace pix::imaging
