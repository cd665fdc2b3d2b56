#include "platform/imaging/resample.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace pix::imaging {

namespace {

constexpr int kWeightBits = 14;
constexpr int kWeightOne = 1 << kWeightBits;

// For each output position along one axis: the first source index and its fixed-point weights,
// which add up to kWeightOne.
struct Axis {
    std::vector<int> start;
    std::vector<int> count;
    std::vector<std::int32_t> weights; // count[i] weights per output position, at offset[i]
    std::vector<int> offset;
};

// Rounds the running sums rather than each weight: the fixed-point weights are never negative
// and always add up to exactly one, so a uniform colour stays exactly that colour even when
// hundreds of source pixels fall into one output pixel.
void normalise(const std::vector<double>& w, std::vector<std::int32_t>& out) {
    double sum = 0;
    for (double v : w)
        sum += v;
    double running = 0;
    std::int32_t previous = 0;
    for (double v : w) {
        running += v;
        const auto cumulative = std::int32_t(std::lround(running / sum * kWeightOne));
        out.push_back(cumulative - previous);
        previous = cumulative;
    }
    out.back() += kWeightOne - previous;
}

// The part of a source axis the output covers: from `from`, `length` source pixels, within the
// `in` pixels of the image.
struct Span {
    int in;
    double from, length;
};

// Area averaging: each output pixel is the mean of the source area it covers.
void shrinkAxis(Span span, int out, Axis& axis) {
    const double scale = span.length / out;
    std::vector<double> w;
    for (int i = 0; i < out; ++i) {
        const double lo = span.from + i * scale, hi = span.from + (i + 1) * scale;
        const int first = std::clamp(int(lo), 0, span.in - 1);
        const int last = std::clamp(int(std::ceil(hi)) - 1, first, span.in - 1);
        w.clear();
        for (int j = first; j <= last; ++j)
            w.push_back(std::max(0.0, std::min<double>(hi, j + 1) - std::max<double>(lo, j)));
        if (std::all_of(w.begin(), w.end(), [](double v) { return v <= 0; }))
            w.assign(w.size(), 1.0);
        axis.start.push_back(first);
        axis.count.push_back(int(w.size()));
        axis.offset.push_back(int(axis.weights.size()));
        normalise(w, axis.weights);
    }
}

// Bilinear interpolation between the two nearest source pixels, pixel centres aligned.
void growAxis(Span span, int out, Axis& axis) {
    const double scale = span.length / out;
    std::vector<double> w;
    for (int i = 0; i < out; ++i) {
        const double pos =
            std::clamp(span.from + (i + 0.5) * scale - 0.5, 0.0, double(span.in - 1));
        const int first = std::min(int(pos), span.in - 1);
        const double frac = pos - first;
        w.assign({1.0 - frac});
        if (first + 1 < span.in && frac > 0)
            w.push_back(frac);
        axis.start.push_back(first);
        axis.count.push_back(int(w.size()));
        axis.offset.push_back(int(axis.weights.size()));
        normalise(w, axis.weights);
    }
}

Axis makeAxis(Span span, int out) {
    Axis axis;
    if (out < span.length)
        shrinkAxis(span, out, axis);
    else
        growAxis(span, out, axis);
    return axis;
}

// One source row into 16-bit channels (value x 64) at the output width.
void horizontalPass(const QRgb* src, const Axis& ax, std::uint16_t* dst, int width) {
    for (int i = 0; i < width; ++i) {
        const QRgb* p = src + ax.start[i];
        const std::int32_t* w = ax.weights.data() + ax.offset[i];
        std::int32_t a = 0, r = 0, g = 0, b = 0;
        for (int k = 0; k < ax.count[i]; ++k) {
            a += w[k] * qAlpha(p[k]);
            r += w[k] * qRed(p[k]);
            g += w[k] * qGreen(p[k]);
            b += w[k] * qBlue(p[k]);
        }
        constexpr int shift = kWeightBits - 6;
        constexpr int half = 1 << (shift - 1);
        dst[4 * i + 0] = std::uint16_t((a + half) >> shift);
        dst[4 * i + 1] = std::uint16_t((r + half) >> shift);
        dst[4 * i + 2] = std::uint16_t((g + half) >> shift);
        dst[4 * i + 3] = std::uint16_t((b + half) >> shift);
    }
}

int toByte(std::int32_t v) {
    constexpr int shift = kWeightBits + 6;
    return std::min(255, (v + (1 << (shift - 1))) >> shift);
}

} // namespace

QImage resampleImage(const QImage& source, int width, int height) {
    return resampleImage(source, QRectF(0, 0, source.width(), source.height()), width, height);
}

QImage resampleImage(const QImage& source, const QRectF& area, int width, int height) {
    if (source.isNull() || width <= 0 || height <= 0 || area.isEmpty())
        return {};
    if (source.width() == width && source.height() == height && area == source.rect())
        return source;
    QImage target(width, height, source.format());
    if (target.isNull())
        return target;
    const Axis ax = makeAxis({source.width(), area.x(), area.width()}, width);
    const Axis ay = makeAxis({source.height(), area.y(), area.height()}, height);

    // Rows of the horizontal pass, computed once each and kept while output rows need them.
    const std::size_t rowValues = std::size_t(width) * 4;
    std::vector<std::uint16_t> rows;
    int firstRow = 0, rowCount = 0;
    std::vector<std::int32_t> acc(rowValues);
    for (int y = 0; y < height; ++y) {
        const int need = ay.start[y], n = ay.count[y];
        if (need + n > firstRow + rowCount || need < firstRow) {
            // Drop rows above the window, keep the overlap, compute the missing ones.
            const int keepFrom = std::max(need, firstRow);
            const int keep = std::max(0, firstRow + rowCount - keepFrom);
            if (keep > 0)
                std::copy_n(rows.begin() + std::ptrdiff_t(keepFrom - firstRow) * rowValues,
                            std::size_t(keep) * rowValues, rows.begin());
            rows.resize(std::size_t(n) * rowValues);
            for (int r = keep; r < n; ++r)
                horizontalPass(reinterpret_cast<const QRgb*>(source.constScanLine(need + r)), ax,
                               rows.data() + std::size_t(r) * rowValues, width);
            firstRow = need;
            rowCount = n;
        }
        std::fill(acc.begin(), acc.end(), 0);
        const std::int32_t* w = ay.weights.data() + ay.offset[y];
        for (int k = 0; k < n; ++k) {
            const std::uint16_t* row = rows.data() + std::size_t(need - firstRow + k) * rowValues;
            for (std::size_t v = 0; v < rowValues; ++v)
                acc[v] += w[k] * row[v];
        }
        auto* out = reinterpret_cast<QRgb*>(target.scanLine(y));
        for (int x = 0; x < width; ++x)
            out[x] = qRgba(toByte(acc[4 * x + 1]), toByte(acc[4 * x + 2]), toByte(acc[4 * x + 3]),
                           toByte(acc[4 * x + 0]));
    }
    return target;
}

} // namespace pix::imaging
