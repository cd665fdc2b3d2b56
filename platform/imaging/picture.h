// The in-memory picture every imaging operation works on.
#pragma once

#include "platform/imaging/status.h"

#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <QtGlobal>
#include <cstdint>

namespace pix::imaging {

// The codecs hand 32-bit pixels to their libraries as bytes in B, G, R, A order, which is how a
// QRgb lies in memory on a little-endian machine.
static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "pixel byte order assumes a little-endian CPU");

// Largest picture the service accepts, from a header or for a new picture. No real photograph or
// scan comes near it; a hostile header asking for more is refused before any allocation.
inline constexpr int kMaxSide = 65535;
inline constexpr std::int64_t kMaxPixels = std::int64_t(1) << 28;

// True when a picture of w x h pixels may be created (both sides positive and within the bound).
bool sizeAllowed(std::int64_t width, std::int64_t height);

// What a picture file carries beside its pixels, each block as its format stores it. Decoders fill
// what the file has; the conversion updates it and hands it to the encoder.
struct PictureMetadata {
    QByteArray iccProfile; // the embedded ICC profile; empty: the pixels are taken as sRGB
    QByteArray exif;       // the EXIF TIFF structure ("II*\0" or "MM\0*"), no "Exif\0\0" prefix
    QByteArray xmp;        // the XMP packet, UTF-8 XML
    QByteArray iptc;       // IPTC-IIM records (as in a JPEG's Photoshop APP13 resource 0x0404)
    QByteArray comment;    // a free-text comment (a JPEG's COM segments, a PNG's "Comment")

    bool isEmpty() const {
        return iccProfile.isEmpty() && exif.isEmpty() && xmp.isEmpty() && iptc.isEmpty() &&
               comment.isEmpty();
    }
};

// A decoded or created picture. The pixels are 32-bit: QImage::Format_RGB32 when the picture is
// known to be opaque, QImage::Format_ARGB32_Premultiplied otherwise. Keeping the alpha
// premultiplied lets the resampler average colours without dark fringes at transparent edges.
class Picture {
public:
    Picture() = default;
    explicit Picture(QImage image);

    bool isNull() const { return image_.isNull(); }
    int width() const { return image_.width(); }
    int height() const { return image_.height(); }
    bool hasAlpha() const { return image_.format() == QImage::Format_ARGB32_Premultiplied; }

    const QImage& image() const { return image_; }
    QImage& image() { return image_; }

    // The part of the pixel grid the picture covers, in pixels: the whole image, except for a
    // JPEG decoded at a reduced scale whose last column or row stands for only part of a pixel
    // (401 pixels at 1/8 cover 50.125 of 51). Resampling takes this part, so the reduced
    // picture lands where the full one would.
    QRectF content() const;
    void setContent(const QRectF& content) { content_ = content; }

    // The pixels with straight (not premultiplied) alpha, as encoders want them. For an opaque
    // picture the pixels are shared, not copied.
    QImage toStraightArgb() const;

    // The profile and metadata of the file it was decoded from; empty for a created picture.
    const PictureMetadata& metadata() const { return metadata_; }
    PictureMetadata& metadata() { return metadata_; }

private:
    QImage image_;
    QRectF content_; // empty: the whole image
    PictureMetadata metadata_;
};

// True when some pixel of a 32-bit image is not fully opaque.
bool hasTranslucentPixels(const QImage& image);

// The picture composited onto white, for formats without transparency; the picture itself when
// it is opaque. A null image when the copy cannot be allocated.
QImage flattenedOnWhite(const Picture& picture);

// Allocates an uninitialised picture of the given format (RGB32 or ARGB32_Premultiplied).
// Refuses sizes beyond the bound and reports a failed allocation instead of crashing.
Status allocatePicture(int width, int height, bool withAlpha, Picture& out);

} // namespace pix::imaging
