// The size a HEIF or AVIF file shows its primary picture at, read from the file's boxes by a
// small reader of our own: the "ftyp" box, then in "meta" the primary item ("pitm"), its type
// ("iinf"), its properties ("iprp": size, rotation, crop) and where every item's data lies
// ("iloc"). libheif 1.15 copies a file's whole media data box to answer the same question, which
// costs a folder of phone photographs (3 MB each) most of its listing time. The reader answers
// only when the boxes leave no doubt and agree with what libheif would find; anything unusual
// (a crop that is not whole pixels, derived items other than grids, data in other files, limits
// libheif enforces) is left to libheif. It never allocates more than the boxes it holds and
// never recurses.
#pragma once

#include <QSize>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

namespace pix::imaging {

// Copies up to size bytes from offset into out; the number copied (fewer at the end).
using ReadAt =
    std::function<std::size_t(std::uint64_t offset, unsigned char* out, std::size_t size)>;

// The primary picture's width and height as displayed (after its crop and rotation: what
// libheif gives for its handle), from data of totalSize bytes; none when the boxes do not
// settle it and libheif has to decide.
std::optional<QSize> heifPrimarySize(const ReadAt& read, std::uint64_t totalSize);
std::optional<QSize> heifPrimarySize(const unsigned char* data, std::size_t size);
// The same from a file, reading only its box headers and its "meta" box.
std::optional<QSize> heifPrimarySizeOfFile(const QString& path);

} // namespace pix::imaging
