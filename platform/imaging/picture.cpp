#include "platform/imaging/picture.h"

namespace pix::imaging {

bool sizeAllowed(std::int64_t width, std::int64_t height) {
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
           width * height <= kMaxPixels;
}

Picture::Picture(QImage image) : image_(std::move(image)) {
    const auto format = image_.format();
    if (!image_.isNull() && format != QImage::Format_RGB32 &&
        format != QImage::Format_ARGB32_Premultiplied) {
        image_ = image_.hasAlphaChannel()
                     ? image_.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                     : image_.convertToFormat(QImage::Format_RGB32);
    }
}

QRectF Picture::content() const {
    const QRectF whole(0, 0, image_.width(), image_.height());
    return content_.isEmpty() ? whole : content_.intersected(whole);
}

QImage Picture::toStraightArgb() const {
    if (image_.isNull())
        return {};
    if (!hasAlpha()) {
        // RGB32 already holds 0xFF in the alpha byte: a read-only view of the same pixels,
        // which holds a reference to them so that it stays valid whatever happens to this one.
        auto* owner = new QImage(image_);
        return QImage(
            owner->constBits(), owner->width(), owner->height(), owner->bytesPerLine(),
            QImage::Format_ARGB32, [](void* info) { delete static_cast<QImage*>(info); }, owner);
    }
    return image_.convertToFormat(QImage::Format_ARGB32);
}

bool hasTranslucentPixels(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(row[x]) != 255)
                return true;
        }
    }
    return false;
}

QImage flattenedOnWhite(const Picture& picture) {
    if (!picture.hasAlpha())
        return picture.image();
    QImage flat(picture.width(), picture.height(), QImage::Format_RGB32);
    if (flat.isNull())
        return flat;
    for (int y = 0; y < picture.height(); ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(picture.image().constScanLine(y));
        auto* dst = reinterpret_cast<QRgb*>(flat.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = src[x];
            const int white = 255 - qAlpha(p); // premultiplied: colour + (1 - alpha) * white
            dst[x] = qRgb(qRed(p) + white, qGreen(p) + white, qBlue(p) + white);
        }
    }
    return flat;
}

Status allocatePicture(int width, int height, bool withAlpha, Picture& out) {
    if (width <= 0 || height <= 0)
        return Status::InvalidParameter;
    if (!sizeAllowed(width, height))
        return Status::TooLarge;
    QImage image(width, height,
                 withAlpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (image.isNull())
        return Status::OutOfMemory;
    out = Picture(std::move(image));
    return Status::Ok;
}

} // namespace pix::imaging
