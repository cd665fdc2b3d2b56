#include "platform/imaging/transform.h"

#include "platform/imaging/guard.h"
#include "platform/imaging/resample.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace pix::imaging {

namespace {

bool isQuarterTurn(RotateFlipType type) {
    return type % 2 == 1;
}

// A rotate-flip type as a 2 x 2 matrix acting on pixel offsets from the centre (x to the right,
// y down): the clockwise quarter turn maps (x, y) to (-y, x), the flip maps (x, y) to (-x, y).
struct Matrix {
    int a, b, c, d; // x' = a x + b y, y' = c x + d y
};

Matrix matrixOf(RotateFlipType type) {
    static constexpr Matrix kTurns[4] = {
        {1, 0, 0, 1}, {0, -1, 1, 0}, {-1, 0, 0, -1}, {0, 1, -1, 0}};
    Matrix m = kTurns[type % 4];
    if (type >= RotateNoneFlipX) {
        m.a = -m.a;
        m.b = -m.b;
    }
    return m;
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

RotateFlipType composeRotateFlip(RotateFlipType first, RotateFlipType second) {
    const Matrix f = matrixOf(first), s = matrixOf(second);
    const Matrix m = {s.a * f.a + s.b * f.c, s.a * f.b + s.b * f.d, s.c * f.a + s.d * f.c,
                      s.c * f.b + s.d * f.d};
    for (int value = RotateNoneFlipNone; value <= Rotate270FlipX; ++value) {
        const auto type = RotateFlipType(value);
        const Matrix t = matrixOf(type);
        if (t.a == m.a && t.b == m.b && t.c == m.c && t.d == m.d)
            return type;
    }
    return RotateNoneFlipNone; // not reached: the eight types form a group
}

RotateFlipType rotateFlipForOrientation(int orientation) {
    switch (orientation) {
    case 2:
        return RotateNoneFlipX;
    case 3:
        return Rotate180FlipNone;
    case 4:
        return Rotate180FlipX;
    case 5:
        return Rotate90FlipX;
    case 6:
        return Rotate90FlipNone;
    case 7:
        return Rotate270FlipX;
    case 8:
        return Rotate270FlipNone;
    default:
        return RotateNoneFlipNone;
    }
}

QSize rotatedSize(int width, int height, RotateFlipType type) {
    return isQuarterTurn(type) ? QSize(height, width) : QSize(width, height);
}

namespace {

// Where source pixel (0, y) lands in the target, and the step from one source pixel to its right
// neighbour, in target pixels along x and y.
struct RowPlacement {
    int x0, y0, dx, dy;
};

RowPlacement placeRow(int y, QSize sourceSize, int targetWidth, RotateFlipType type) {
    const int w = sourceSize.width(), h = sourceSize.height();
    RowPlacement p{};
    switch (type % 4) {
    case 0:
        p = {0, y, 1, 0};
        break;
    case 1:
        p = {h - 1 - y, 0, 0, 1};
        break;
    case 2:
        p = {w - 1, h - 1 - y, -1, 0};
        break;
    default:
        p = {y, w - 1, 0, -1};
        break;
    }
    if (type >= RotateNoneFlipX) {
        p.x0 = targetWidth - 1 - p.x0;
        p.dx = -p.dx;
    }
    return p;
}

} // namespace

void copyRowsRotated(const uchar* rows, qsizetype stride, int firstRow, int count, QSize sourceSize,
                     RotateFlipType type, QImage& target) {
    const int w = sourceSize.width();
    const qsizetype pitch = target.bytesPerLine() / qsizetype(sizeof(QRgb));
    auto* base = reinterpret_cast<QRgb*>(target.bits());
    auto source = [&](int i) { return reinterpret_cast<const QRgb*>(rows + i * stride); };
    if (!isQuarterTurn(type)) {
        for (int i = 0; i < count; ++i) {
            const RowPlacement p = placeRow(firstRow + i, sourceSize, target.width(), type);
            QRgb* dst = base + p.y0 * pitch + p.x0;
            if (p.dx == 1)
                std::copy_n(source(i), w, dst);
            else
                std::reverse_copy(source(i), source(i) + w, dst - (w - 1));
        }
        return;
    }
    // Source rows become target columns. Tiles of a few dozen source columns keep the target
    // rows being filled, and the source rows being read, in the cache.
    constexpr int kTile = 32;
    for (int xb = 0; xb < w; xb += kTile) {
        const int xe = std::min(w, xb + kTile);
        for (int i = 0; i < count; ++i) {
            const RowPlacement p = placeRow(firstRow + i, sourceSize, target.width(), type);
            const QRgb* src = source(i);
            QRgb* dst = base + p.x0;
            for (int x = xb; x < xe; ++x)
                dst[(p.y0 + p.dy * x) * pitch] = src[x];
        }
    }
}

QRectF rotatedArea(const QRectF& area, QSize size, RotateFlipType type) {
    const double w = size.width(), h = size.height();
    const auto map = [&](QPointF p) {
        QPointF q;
        switch (type % 4) {
        case 0:
            q = p;
            break;
        case 1:
            q = QPointF(h - p.y(), p.x());
            break;
        case 2:
            q = QPointF(w - p.x(), h - p.y());
            break;
        default:
            q = QPointF(p.y(), w - p.x());
            break;
        }
        if (type >= RotateNoneFlipX)
            q.setX((isQuarterTurn(type) ? h : w) - q.x());
        return q;
    };
    return QRectF(map(area.topLeft()), map(area.bottomRight())).normalized();
}

namespace {

Status turnPixels(Picture& picture, RotateFlipType type) {
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
    // Quarter turns, with or without the flip, in one pass into a picture of the turned size.
    Picture turned;
    const QSize size = rotatedSize(picture.width(), picture.height(), type);
    const Status status = allocatePicture(size.width(), size.height(), picture.hasAlpha(), turned);
    if (status != Status::Ok)
        return status;
    copyRowsRotated(image.constBits(), image.bytesPerLine(), 0, image.height(), image.size(), type,
                    turned.image());
    turned.metadata() = std::move(picture.metadata());
    picture = std::move(turned);
    return Status::Ok;
}

} // namespace

Status rotateFlip(Picture& picture, RotateFlipType type) {
    if (!isRotateFlipType(type))
        return Status::InvalidParameter;
    if (picture.isNull())
        return Status::InvalidParameter;
    if (type == RotateNoneFlipNone)
        return Status::Ok;
    const QSize size = picture.image().size();
    const QRectF area = picture.content();
    const Status status = turnPixels(picture, type);
    if (status == Status::Ok && area != QRectF(QPointF(0, 0), size))
        picture.setContent(rotatedArea(area, size, type));
    return status;
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
        scaled = resampleImage(source.image(), source.content(), width, height);
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
