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

QImage Picture::toStraightArgb() const {
    if (image_.isNull())
        return {};
    if (!hasAlpha()) {
        // RGB32 already holds 0xFF in the alpha byte; reinterpret without copying pixels.
        QImage view = image_;
        view.reinterpretAsFormat(QImage::Format_ARGB32);
        return view;
    }
    return image_.convertToFormat(QImage::Format_ARGB32);
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
