// Playback of Windows metafiles (with or without the placeable header) onto a QPainter.
#pragma once

#include <QSize>
#include <cstddef>

class QImage;

namespace pix::wmf {

enum class WmfResult {
    Ok,
    NotWmf,      // the data does not start with a metafile header
    Malformed,   // a record runs past the end of the data or is otherwise invalid
    TooMuchWork, // drawing it at the target's size would take longer than a playback may
};

// True when the data starts with a metafile header (placeable or standard), so that format
// detection and playback agree on what a metafile is.
bool isWmf(const unsigned char* data, std::size_t size);

// The picture's own pixel size: for a placeable file its bounding box at 96 dots per inch,
// otherwise the first window extent the records set (or, without one, the extent of the
// drawing). A size below one pixel, a side above 65535 or an area above 2^28 pixels is
// answered Malformed, as is any malformed record.
WmfResult measureWmf(const unsigned char* data, std::size_t size, QSize& pixelSize);

// Replays the records onto target (Format_ARGB32_Premultiplied, filled transparent by the
// caller) so that the picture fills the whole image. Unknown records are skipped; a malformed
// record ends the playback with Malformed. The work of every drawing call at the target's size
// is weighed first (records times the area they cover, the edges of their paths): a metafile
// that would take more than a few seconds draws nothing and answers TooMuchWork at once.
// Nothing is read outside [data, data + size).
WmfResult renderWmf(const unsigned char* data, std::size_t size, QImage& target);

} // namespace pix::wmf
