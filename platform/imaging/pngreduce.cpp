#include "platform/imaging/pngreduce.h"

#include "platform/imaging/guard.h"

#include <algorithm>
#include <cstring>

namespace pix::imaging::png {

namespace {

constexpr std::uint32_t kFull = 65535;

std::uint16_t premultiplied(std::uint32_t colour, std::uint32_t alpha) {
    return std::uint16_t((colour * alpha + kFull / 2) / kFull);
}

// A 16-bit sample of straight RGBA made premultiplied, into out[0..3] as R, G, B, A.
void putStraight(std::uint16_t* out, std::uint32_t r, std::uint32_t g, std::uint32_t b,
                 std::uint32_t a) {
    if (a != kFull) {
        r = premultiplied(r, a);
        g = premultiplied(g, a);
        b = premultiplied(b, a);
    }
    out[0] = std::uint16_t(r);
    out[1] = std::uint16_t(g);
    out[2] = std::uint16_t(b);
    out[3] = std::uint16_t(a);
}

std::uint16_t sample16(const unsigned char* p) {
    std::uint16_t v;
    std::memcpy(&v, p, sizeof v); // stored low byte first, as this machine reads it
    return v;
}

std::uint32_t to8(std::uint64_t sum, std::uint64_t count) {
    const std::uint64_t average = (sum + count / 2) / count;
    return std::uint32_t((average * 255 + kFull / 2) / kFull);
}

bool tableIsOpaque(const Layout& layout) {
    for (int i = 0; i < layout.colourCount; ++i)
        if (qAlpha(layout.colours[i]) != 255)
            return false;
    return true;
}

} // namespace

int reductionFactor(std::uint32_t width, std::uint32_t height, QSize minSize) {
    if (minSize.isEmpty() || width == 0 || height == 0)
        return 1;
    // ceil(side / f) >= wanted holds for every f up to (side - 1) / (wanted - 1).
    const auto largest = [](std::uint32_t side, std::uint32_t wanted) -> std::uint32_t {
        if (wanted >= side)
            return 1;
        return wanted <= 1 ? side : (side - 1) / (wanted - 1);
    };
    const std::uint32_t factor = std::min(largest(width, std::uint32_t(minSize.width())),
                                          largest(height, std::uint32_t(minSize.height())));
    return int(std::clamp<std::uint32_t>(factor, 1, 65535));
}

QSize reducedSize(std::uint32_t width, std::uint32_t height, int factor) {
    const auto f = std::uint32_t(factor);
    return QSize(int((width + f - 1) / f), int((height + f - 1) / f));
}

std::uint64_t RowReducer::workingBytes(std::uint32_t width, int factor) {
    const QSize reduced = reducedSize(width, 1, factor);
    // The row libpng writes (at most 8 bytes a pixel), its 16-bit premultiplied copy, the sums.
    return std::uint64_t(width) * 16 + std::uint64_t(reduced.width()) * 32 + 256 * 8;
}

Status RowReducer::start(const Layout& layout, int factor) {
    layout_ = layout;
    factor_ = factor;
    size_ = reducedSize(layout.width, layout.height, factor);
    switch (layout.format) {
    case QImage::Format_Mono:
    case QImage::Format_Indexed8:
        opaque_ = tableIsOpaque(layout);
        break;
    case QImage::Format_RGBA64:
    case QImage::Format_ARGB32:
    case QImage::Format_RGBA8888:
        opaque_ = false;
        break;
    default:
        opaque_ = true;
    }
    Status status = allocatePicture(size_.width(), size_.height(), !opaque_, picture_);
    if (status != Status::Ok)
        return status;
    return guarded([&] {
        table_.assign(256 * 4, 0);
        for (int i = 0; i < layout.colourCount; ++i) {
            const QRgb c = layout.colours[i];
            putStraight(&table_[std::size_t(i) * 4], qRed(c) * 257u, qGreen(c) * 257u,
                        qBlue(c) * 257u, qAlpha(c) * 257u);
        }
        if (!eightBitRows())
            pixels_.assign(std::size_t(layout.width) * 4, 0);
        sums_.assign(std::size_t(size_.width()) * 4, 0);
        return Status::Ok;
    });
}

void RowReducer::expand(const unsigned char* row) {
    std::uint16_t* out = pixels_.data();
    const std::uint32_t width = layout_.width;
    const auto fromTable = [&](std::uint32_t x, unsigned index) {
        std::memcpy(out + std::size_t(x) * 4, &table_[std::size_t(index) * 4], 8);
    };
    switch (layout_.format) {
    case QImage::Format_Mono:
        for (std::uint32_t x = 0; x < width; ++x)
            fromTable(x, (row[x >> 3] >> (7 - (x & 7))) & 1u);
        break;
    case QImage::Format_Indexed8:
        // An index beyond the palette stands for the first colour, as in the whole picture.
        for (std::uint32_t x = 0; x < width; ++x)
            fromTable(x, row[x] < layout_.paletteIndexLimit ? row[x] : 0u);
        break;
    case QImage::Format_Grayscale8:
        for (std::uint32_t x = 0; x < width; ++x)
            putStraight(out + std::size_t(x) * 4, row[x] * 257u, row[x] * 257u, row[x] * 257u,
                        kFull);
        break;
    case QImage::Format_Grayscale16:
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::uint16_t v = sample16(row + std::size_t(x) * 2);
            putStraight(out + std::size_t(x) * 4, v, v, v, kFull);
        }
        break;
    case QImage::Format_RGBA64:
    case QImage::Format_RGBX64: {
        const bool alpha = layout_.format == QImage::Format_RGBA64;
        for (std::uint32_t x = 0; x < width; ++x) {
            const unsigned char* p = row + std::size_t(x) * 8;
            putStraight(out + std::size_t(x) * 4, sample16(p), sample16(p + 2), sample16(p + 4),
                        alpha ? sample16(p + 6) : kFull);
        }
        break;
    }
    default: { // ARGB32 and RGB32: B, G, R, A bytes
        const bool alpha = layout_.format == QImage::Format_ARGB32;
        for (std::uint32_t x = 0; x < width; ++x) {
            const unsigned char* p = row + std::size_t(x) * 4;
            putStraight(out + std::size_t(x) * 4, p[2] * 257u, p[1] * 257u, p[0] * 257u,
                        alpha ? p[3] * 257u : kFull);
        }
        break;
    }
    }
}

void RowReducer::accumulate() {
    const std::uint16_t* in = pixels_.data();
    const auto f = std::uint32_t(factor_);
    for (int box = 0; box < size_.width(); ++box) {
        const std::uint32_t x0 = std::uint32_t(box) * f;
        const std::uint32_t x1 = std::min(x0 + f, layout_.width);
        std::uint64_t r = 0, g = 0, b = 0, a = 0;
        for (std::uint32_t x = x0; x < x1; ++x) {
            const std::uint16_t* p = in + std::size_t(x) * 4;
            r += p[0];
            g += p[1];
            b += p[2];
            a += p[3];
        }
        std::uint64_t* sum = &sums_[std::size_t(box) * 4];
        sum[0] += r;
        sum[1] += g;
        sum[2] += b;
        sum[3] += a;
    }
}

bool RowReducer::eightBitRows() const {
    switch (layout_.format) {
    case QImage::Format_ARGB32:
    case QImage::Format_RGB32:
    case QImage::Format_RGBA8888:
    case QImage::Format_RGB888:
        return true;
    default:
        return false;
    }
}

namespace {

// Adds the pixels of every box of a row of 8-bit samples to the box's sums: colour times alpha,
// so that they average premultiplied, and alpha. Step is the bytes a pixel, red..blue the
// offsets of the samples; alpha below 0 means opaque.
template <int step, int red, int green, int blue, int alpha>
void sumBoxes(const unsigned char* row, std::uint32_t width, std::uint32_t factor, int boxes,
              std::uint64_t* sums) {
    for (int box = 0; box < boxes; ++box) {
        const std::uint32_t x0 = std::uint32_t(box) * factor;
        const std::uint32_t x1 = std::min(x0 + factor, width);
        std::uint64_t r = 0, g = 0, b = 0, a = 0;
        for (const unsigned char* p = row + std::size_t(x0) * step;
             p < row + std::size_t(x1) * step; p += step) {
            const std::uint32_t weight = alpha >= 0 ? p[alpha] : 255u;
            r += std::uint32_t(p[red]) * weight;
            g += std::uint32_t(p[green]) * weight;
            b += std::uint32_t(p[blue]) * weight;
            a += weight;
        }
        std::uint64_t* sum = sums + std::size_t(box) * 4;
        sum[0] += r;
        sum[1] += g;
        sum[2] += b;
        sum[3] += a;
    }
}

} // namespace

void RowReducer::accumulateEightBit(const unsigned char* row) {
    const auto f = std::uint32_t(factor_);
    const std::uint32_t w = layout_.width;
    switch (layout_.format) {
    case QImage::Format_ARGB32: // B, G, R, A
        sumBoxes<4, 2, 1, 0, 3>(row, w, f, size_.width(), sums_.data());
        break;
    case QImage::Format_RGB32:
        sumBoxes<4, 2, 1, 0, -1>(row, w, f, size_.width(), sums_.data());
        break;
    case QImage::Format_RGBA8888: // R, G, B, A
        sumBoxes<4, 0, 1, 2, 3>(row, w, f, size_.width(), sums_.data());
        break;
    default: // RGB888: R, G, B
        sumBoxes<3, 0, 1, 2, -1>(row, w, f, size_.width(), sums_.data());
        break;
    }
}

void RowReducer::addRow(const unsigned char* row, std::uint32_t y) {
    const int box = int(y / std::uint32_t(factor_));
    while (boxRow_ < box && boxRow_ < size_.height())
        emitBoxRow();
    if (box >= size_.height())
        return;
    if (eightBitRows()) {
        accumulateEightBit(row);
    } else {
        expand(row);
        accumulate();
    }
    ++rowsInBox_;
}

void RowReducer::emitBoxRow() {
    auto* out = reinterpret_cast<QRgb*>(picture_.image().scanLine(boxRow_));
    if (rowsInBox_ == 0) {
        // No row of this box arrived (the last box of an interlaced picture may hold only an
        // even row): it repeats the row above.
        const uchar* above = boxRow_ > 0 ? picture_.image().constScanLine(boxRow_ - 1) : nullptr;
        if (above)
            std::memcpy(out, above, std::size_t(size_.width()) * 4);
        else
            std::fill(out, out + size_.width(), opaque_ ? qRgb(0, 0, 0) : 0u);
    } else {
        const auto f = std::uint64_t(factor_);
        const std::uint64_t lastWidth = layout_.width - std::uint64_t(size_.width() - 1) * f;
        const bool eightBit = eightBitRows();
        for (int box = 0; box < size_.width(); ++box) {
            const std::uint64_t count =
                (box + 1 == size_.width() ? lastWidth : f) * std::uint64_t(rowsInBox_);
            const std::uint64_t* sum = &sums_[std::size_t(box) * 4];
            if (eightBit) {
                // Colour times alpha over 255 is the premultiplied colour.
                const std::uint32_t a = opaque_ ? 255 : std::uint32_t((sum[3] + count / 2) / count);
                const auto colour = [&](std::uint64_t total) {
                    return std::min(a, std::uint32_t((total + count * 255 / 2) / (count * 255)));
                };
                out[box] =
                    qRgba(int(colour(sum[0])), int(colour(sum[1])), int(colour(sum[2])), int(a));
                continue;
            }
            const std::uint32_t a = opaque_ ? 255 : to8(sum[3], count);
            out[box] =
                qRgba(int(std::min(to8(sum[0], count), a)), int(std::min(to8(sum[1], count), a)),
                      int(std::min(to8(sum[2], count), a)), int(a));
        }
    }
    std::fill(sums_.begin(), sums_.end(), 0);
    rowsInBox_ = 0;
    ++boxRow_;
}

Picture RowReducer::finish() {
    while (boxRow_ < size_.height())
        emitBoxRow();
    const double f = factor_;
    if (layout_.width % std::uint32_t(factor_) != 0 || layout_.height % std::uint32_t(factor_) != 0)
        picture_.setContent(QRectF(0, 0, layout_.width / f, layout_.height / f));
    return std::move(picture_);
}

} // namespace pix::imaging::png
