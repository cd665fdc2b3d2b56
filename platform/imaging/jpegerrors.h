// Error handling shared by the JPEG decoder and encoder.
#pragma once

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

namespace pix::imaging::jpeg {

// libjpeg reports fatal errors through error_exit, which must not return: it jumps back to the
// function that set the jump buffer. Those functions keep only trivially destructible locals
// between setjmp and the library calls, so the jump skips no destructor.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    bool invented = false; // libjpeg warned that it made up pixels
    int warnings = 0;
};

void install(jpeg_common_struct& cinfo, ErrorManager& errors);
[[noreturn]] void fail(j_common_ptr cinfo);

} // namespace pix::imaging::jpeg
