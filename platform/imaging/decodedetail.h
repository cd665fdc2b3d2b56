// What a codec library said while a picture was decoded or measured. Libraries report through
// callbacks (libtiff's and libpng's handlers, libjpeg's error manager) or error codes (giflib);
// the decoders note the text here instead of letting it reach the terminal, and a caller that
// gets a failure can show it beside the file's name.
#pragma once

#include <cstdarg>

namespace pix::imaging::detail {

enum class Severity { Warning, Error };

// Forgets what the previous decode or measure on this thread noted.
void clearDecodeDetail();

// Keeps a library's message: the first error, or the first warning while no error has come.
// Safe to call from a library callback that is about to jump: it allocates nothing.
void noteDecodeDetail(Severity severity, const char* message);
void noteDecodeDetailFormatted(Severity severity, const char* format, va_list arguments);

} // namespace pix::imaging::detail
