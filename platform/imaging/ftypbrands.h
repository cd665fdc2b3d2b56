// The "ftyp" box that opens an ISO base media file: its major and compatible brands say which
// formats the file follows (HEIF, AVIF). The box may be cut by the end of the data.
#pragma once

#include <cstddef>
#include <initializer_list>

namespace pix::imaging {

// True when the data opens with an "ftyp" box naming one of the four-character brands, as its
// major brand or among its compatible brands.
bool hasFtypBrand(const unsigned char* data, std::size_t size,
                  std::initializer_list<const char*> brands);

} // namespace pix::imaging
