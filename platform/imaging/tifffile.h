// A TIFF file in memory opened with libtiff, with every allocation libtiff makes for it bounded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <tiffio.h>

namespace pix::imaging::tiff {

// The most bytes a file of this many bytes can decompress to. Strips and tiles decompress to far
// more than they occupy in the file, but not without limit: a tiny file whose header claims
// gigabytes is refused instead of having them allocated and zeroed.
std::uint64_t expansionLimit(std::size_t fileSize);

// The largest single buffer libtiff may allocate for a file of this many bytes.
tmsize_t allocationLimit(std::size_t fileSize);

class File {
public:
    File(const unsigned char* data, std::size_t size);
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Null when libtiff could not read the first directory.
    TIFF* get() const { return tiff_; }

private:
    struct Source {
        const unsigned char* data;
        std::size_t size;
        std::size_t position;
    };
    static tmsize_t read(thandle_t handle, void* buffer, tmsize_t size);
    static tmsize_t write(thandle_t, void*, tmsize_t);
    static toff_t seek(thandle_t handle, toff_t offset, int whence);
    static toff_t size(thandle_t handle);
    static int map(thandle_t handle, void** base, toff_t* size);

    Source source_;
    TIFF* tiff_ = nullptr;
};

} // namespace pix::imaging::tiff
