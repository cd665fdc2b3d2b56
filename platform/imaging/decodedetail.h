// What a codec library said while a picture was decoded or measured. Libraries report through
// callbacks (libtiff's and libpng's handlers, libjpeg's error manager) or error codes (giflib);
// the decoders note the text here instead of letting it reach the terminal, and a caller that
// gets a failure can show it beside the file's name.
#pragma once

#include <cstdarg>

namespace pix::imaging::detail {

// In rising rank. A warning is a library's remark (an unknown TIFF tag); a note says
// that the picture was given although the file is damaged, and how (a JPEG's stray bytes skipped,
// the rows a cut bitmap lacks left transparent); an error fails the decode.
enum class Severity { Warning, Note, Error };

// Forgets what the previous decode or measure on this thread noted.
void clearDecodeDetail();

// Keeps a message of the highest rank that has come, the first of that rank.
// Safe to call from a library callback that is about to jump: it allocates nothing.
void noteDecodeDetail(Severity severity, const char* message);
void noteDecodeDetailFormatted(Severity severity, const char* format, va_list arguments);

} // namespace pix::imaging::detail
