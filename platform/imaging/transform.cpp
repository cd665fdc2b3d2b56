#include "platform/imaging/transform.h"

#include "platform/imaging/guard.h"
#include "platform/imaging/resample.h"

#include <QPainter>
#include <QTransform>
#include <algorithm>
#include <cmath>

namespace pix::imaging {

namespace {

// Exact quarter turns (Qt uses a pixel-exact rotation, no interpolation, for multiples of 90).
QImage turned(const QImage& image, int degrees) {
    return image.transformed(QTransform().rotate(degrees));
}

bool isBlank(const Picture& picture) {
    if (!picture.hasAlpha())
        return false;
    const QImage& image = picture.image();
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        if (!std::all_of(row, row + image.width(), [](QRgb p) { return p == 0; }))
            return false;
    }
    return true;
}

} // namespace

Status rotateFlip(Picture& picture, int type) {
    if (type < RotateNoneFlipNone || type > Rotate270FlipX)
        return Status::InvalidParameter;
    if (picture.isNull())
        return Status::InvalidParameter;
    if (type == RotateNoneFlipNone)
        return Status::Ok;
    QImage& image = picture.image();
    switch (type) {
    case Rotate180FlipNone:
        image.mirror(true, true);
        return Status::Ok;
    case RotateNoneFlipX:
        image.mirror(true, false);
        return Status::Ok;
    case Rotate180FlipX: // a half turn and a horizontal flip: the picture upside down
        image.mirror(false, true);
        return Status::Ok;
    default:
        break;
    }
    const bool flip = type == Rotate90FlipX || type == Rotate270FlipX;
    QImage result = turned(image, type == Rotate90FlipNone || type == Rotate90FlipX ? 90 : 270);
    if (result.isNull())
        return Status::OutOfMemory;
    if (flip)
        result.mirror(true, false);
    image = std::move(result);
    return Status::Ok;
}

Status createPicture(int width, int height, Picture& out) {
    Picture picture;
    const Status status = allocatePicture(width, height, true, picture);
    if (status != Status::Ok)
        return status;
    picture.image().fill(Qt::transparent);
    out = std::move(picture);
    return Status::Ok;
}

Status resizePicture(const Picture& source, int width, int height, Picture& out) {
    if (source.isNull() || width <= 0 || height <= 0)
        return Status::InvalidParameter;
    if (!sizeAllowed(width, height))
        return Status::TooLarge;
    QImage scaled;
    const Status status = guarded([&] {
        scaled = resampleImage(source.image(), width, height);
        return scaled.isNull() ? Status::OutOfMemory : Status::Ok;
    });
    if (status == Status::Ok)
        out = Picture(std::move(scaled));
    return status;
}

Status drawStretched(const Picture& source, Picture& target, int width, int height) {
    if (target.isNull())
        return Status::InvalidParameter;
    Picture scaled;
    const Status status = resizePicture(source, width, height, scaled);
    if (status != Status::Ok)
        return status;
    if (width == target.width() && height == target.height() && isBlank(target)) {
        // Drawing over a whole new (transparent) picture gives the scaled source itself, which
        // stays opaque when the source is.
        target = std::move(scaled);
        return Status::Ok;
    }
    QPainter painter(&target.image());
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(0, 0, scaled.image());
    return Status::Ok;
}

Status makeThumbnail(const Picture& source, QSize box, Picture& out) {
    if (source.isNull() || box.isEmpty())
        return Status::InvalidParameter;
    const double scale = std::min(
        {1.0, double(box.width()) / source.width(), double(box.height()) / source.height()});
    return resizePicture(source, std::max(1, int(std::lround(source.width() * scale))),
                         std::max(1, int(std::lround(source.height() * scale))), out);
}

} // namespace pix::imaging
