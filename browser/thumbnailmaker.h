// Making one picture's thumbnail for the image browser: from the shared cache when it holds a
// fresh one, otherwise by decoding at a reduced scale, storing the result for next time.
#pragma once

#include "browser/imagelistmodel.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <cstdint>
#include <functional>

namespace pix {

class ThumbnailCache;

struct ThumbnailResult {
    QImage cell; // kThumbnailWidth x kThumbnailHeight, null unless state is Ready
    ThumbnailState state = ThumbnailState::Unavailable;
    bool deferred = false; // the admission put the decode off: nothing was made or recorded
};

/// Asked before a picture is decoded, with the memory the decode will hold at its peak (for a
/// progressive JPEG, its coefficients; for a HEIC, libheif's planes); false puts the decode off.
using DecodeAdmission = std::function<bool(std::uint64_t bytes)>;

/// Pictures with more pixels than this are not decoded for a thumbnail, unless their decoder
/// can read them at a reduced scale (JPEG): their row keeps the placeholder. This bounds the
/// memory each thumbnail worker may take.
inline constexpr std::int64_t kThumbnailPixelBudget = std::int64_t(1) << 26;

/// The picture fitted into a cell of the given size, as file managers show it: whole, its
/// proportions kept, scaled down to fit (never up) and centred; the rest of the cell is
/// transparent, the picture itself opaque (a transparent picture is shown on white).
QImage fitCell(const QImage& picture, QSize cell);

/// The thumbnail of one file. cache may be null. A picture that cannot be decoded is Broken
/// (and recorded as a failure in the cache); one that is too large to decode is Unavailable.
ThumbnailResult makeBrowserThumbnail(const QString& path, const ThumbnailCache* cache,
                                     const DecodeAdmission& admit = {});

} // namespace pix
