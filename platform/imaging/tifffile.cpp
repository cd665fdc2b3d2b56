#include "platform/imaging/tifffile.h"

#include "platform/imaging/decodedetail.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace pix::imaging::tiff {

namespace {

// Nothing is printed: the status the decoder answers says what went wrong, and the message is
// kept as the decode's detail. The module (a function name, or the name the file was opened
// under) is left out: it means nothing to a reader.
int noteError(TIFF*, void*, const char*, const char* format, va_list arguments) {
    detail::noteDecodeDetailFormatted(detail::Severity::Error, format, arguments);
    return 1;
}

int noteWarning(TIFF*, void*, const char*, const char* format, va_list arguments) {
    detail::noteDecodeDetailFormatted(detail::Severity::Warning, format, arguments);
    return 1;
}

int closeNothing(thandle_t) {
    return 0;
}

void unmapNothing(thandle_t, void*, toff_t) {}

} // namespace

namespace {

// Deflate expands at most about 1000 times, LZW under 3000 times; 16 MB covers anything a small
// file may hold.
constexpr std::uint64_t kExpansion = 4096;
constexpr std::uint64_t kFloor = std::uint64_t(16) << 20;

} // namespace

std::uint64_t expansionLimit(std::size_t fileSize) {
    return std::max(kFloor, std::uint64_t(fileSize) * kExpansion);
}

tmsize_t allocationLimit(std::size_t fileSize) {
    // 1 GB is the strip of the largest uncompressed picture we accept (libtiff cuts an
    // uncompressed single strip into small ones by itself).
    constexpr std::uint64_t kCeiling = std::uint64_t(1) << 30;
    return tmsize_t(std::min(expansionLimit(fileSize), kCeiling));
}

File::File(const unsigned char* data, std::size_t size) : source_{data, size, 0} {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options)
        return;
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, allocationLimit(size));
    TIFFOpenOptionsSetErrorHandlerExtR(options, noteError, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, noteWarning, nullptr);
    tiff_ = TIFFClientOpenExt("memory", "r", &source_, read, write, seek, closeNothing, File::size,
                              map, unmapNothing, options);
    TIFFOpenOptionsFree(options);
}

File::~File() {
    if (tiff_)
        TIFFClose(tiff_);
}

tmsize_t File::read(thandle_t handle, void* buffer, tmsize_t size) {
    auto* s = static_cast<Source*>(handle);
    if (size <= 0 || s->position >= s->size)
        return 0;
    const std::size_t n = std::min(std::size_t(size), s->size - s->position);
    std::memcpy(buffer, s->data + s->position, n);
    s->position += n;
    return tmsize_t(n);
}

tmsize_t File::write(thandle_t, void*, tmsize_t) {
    return -1;
}

toff_t File::seek(thandle_t handle, toff_t offset, int whence) {
    auto* s = static_cast<Source*>(handle);
    // Offsets relative to the position or the end may be negative.
    std::int64_t base = 0;
    if (whence == SEEK_CUR)
        base = std::int64_t(s->position);
    else if (whence == SEEK_END)
        base = std::int64_t(s->size);
    std::int64_t target = 0;
    if (__builtin_add_overflow(base, std::int64_t(offset), &target) || target < 0)
        return toff_t(-1);
    // Seeking beyond the end is allowed; reads there give nothing.
    s->position = std::size_t(target);
    return toff_t(target);
}

// The data is offered as a mapped file: libtiff then reads strips in place, checked against the
// mapping's size, and never writes to it (it maps real files read-only). Its reads of tiles
// from unmapped files also wrongly refuse some files.
int File::map(thandle_t handle, void** base, toff_t* size) {
    auto* s = static_cast<Source*>(handle);
    *base = const_cast<unsigned char*>(s->data);
    *size = toff_t(s->size);
    return 1;
}

toff_t File::size(thandle_t handle) {
    return toff_t(static_cast<Source*>(handle)->size);
}

} // namespace pix::imaging::tiff
