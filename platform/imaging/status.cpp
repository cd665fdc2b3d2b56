#include "platform/imaging/status.h"

namespace pix::imaging {

const char* statusText(Status status) {
    switch (status) {
    case Status::Ok:
        return "ok";
    case Status::InvalidParameter:
        return "invalid parameter";
    case Status::OutOfMemory:
        return "out of memory";
    case Status::FileNotFound:
        return "file not found";
    case Status::UnknownImageFormat:
        return "unknown image format";
    case Status::CorruptData:
        return "corrupt or truncated data";
    case Status::TooLarge:
        return "picture too large";
    case Status::UnknownEncoder:
        return "unknown encoder";
    case Status::WriteFailed:
        return "write failed";
    }
    return "unknown status";
}

} // namespace pix::imaging
