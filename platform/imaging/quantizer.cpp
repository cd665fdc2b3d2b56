// Colour reduction in three steps:
// 1. One pass counts the distinct opaque colours (giving up past a few thousand) and notes
//    whether any pixel is fully transparent. A picture that fits in the palette is mapped exactly.
// 2. Otherwise the colours to represent are the exact colours when they were all counted, or else
//    the cells of a 32x32x32 histogram, each cell standing for the mean of its pixels. They are
//    split into boxes, always splitting the box with the largest squared error at the plane that
//    lowers it most; the box means are then refined by a round of k-means.
// 3. The pixels are mapped with Floyd-Steinberg error diffusion (colourmapping.cpp).
#include "platform/imaging/quantizer.h"

#include "platform/imaging/colourmapping.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <new>
#include <utility>

namespace pix::imaging {
namespace {

using mapping::NearestColour;
using mapping::Rgb;

constexpr std::uint32_t kOpaque = 0xFF000000u;

bool isTransparent(std::uint32_t pixel) {
    return (pixel >> 24) == 0;
}

const std::uint32_t* rowOf(const QImage& image, int y) {
    return reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
}

// ---- Exact palettes ------------------------------------------------------------------------

// A hash table of up to `capacity` distinct opaque colours with their pixel counts; a colour's
// index is its order of first appearance.
class ColourCounts {
public:
    explicit ColourCounts(int capacity)
        : capacity_(capacity), slots_(std::bit_ceil(unsigned(capacity) * 4)), keys_(slots_, 0),
          order_(slots_, 0) {}

    // Counts one more pixel of the colour; false when it would be a colour beyond the capacity.
    bool add(std::uint32_t rgb) {
        const std::size_t slot = slotOf(rgb);
        if (keys_[slot] != rgb) {
            if (int(colours_.size()) == capacity_)
                return false;
            keys_[slot] = rgb;
            order_[slot] = std::uint16_t(colours_.size());
            colours_.push_back(rgb);
            counts_.push_back(0);
        }
        ++counts_[order_[slot]];
        return true;
    }

    int indexOf(std::uint32_t rgb) const { return order_[slotOf(rgb)]; }
    const std::vector<QRgb>& colours() const { return colours_; }
    const std::vector<std::uint32_t>& counts() const { return counts_; }

private:
    // Keys always carry an alpha of 0xFF, so 0 marks a free slot.
    std::size_t slotOf(std::uint32_t rgb) const {
        std::size_t slot = ((rgb * 2654435761u) >> 8) & (slots_ - 1);
        while (keys_[slot] != 0 && keys_[slot] != rgb)
            slot = (slot + 1) & (slots_ - 1);
        return slot;
    }

    int capacity_;
    std::size_t slots_;
    std::vector<std::uint32_t> keys_;
    std::vector<std::uint16_t> order_;
    std::vector<QRgb> colours_;
    std::vector<std::uint32_t> counts_;
};

// Up to this many distinct colours the palette is built from the exact colours; beyond, from a
// histogram of cells.
constexpr int kExactColourLimit = 8192;

struct Survey {
    bool hasTransparent = false;
    bool counted = true; // every opaque pixel is in the colour counts
};

bool anyTransparent(const std::uint32_t* row, int width) {
    bool found = false;
    for (int x = 0; x < width; ++x)
        found |= isTransparent(row[x]);
    return found;
}

// Counts colours until there are too many, then only looks for transparency.
Survey survey(const QImage& image, ColourCounts& counts) {
    Survey result;
    const int width = image.width(), height = image.height();
    for (int y = 0; y < height && (result.counted || !result.hasTransparent); ++y) {
        const std::uint32_t* row = rowOf(image, y);
        if (!result.counted) {
            result.hasTransparent = anyTransparent(row, width);
            continue;
        }
        for (int x = 0; x < width; ++x) {
            if (isTransparent(row[x]))
                result.hasTransparent = true;
            else if (result.counted)
                result.counted = counts.add(row[x] | kOpaque);
        }
    }
    return result;
}

void mapExact(const QImage& image, const ColourCounts& counts, int transparentIndex,
              std::vector<std::uint8_t>& indices) {
    std::uint8_t* out = indices.data();
    const int width = image.width(), height = image.height();
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* row = rowOf(image, y);
        for (int x = 0; x < width; ++x) {
            *out++ = std::uint8_t(isTransparent(row[x]) ? transparentIndex
                                                        : counts.indexOf(row[x] | kOpaque));
        }
    }
}

// ---- Adaptive palettes ---------------------------------------------------------------------

// A colour to be represented: an exact colour of the picture or the mean of a histogram cell,
// weighted by its pixel count. coord is the colour rounded to whole levels, which the box cuts use.
struct ColourPoint {
    Rgb mean;
    float weight = 0;
    std::array<std::uint8_t, 3> coord{};
};

ColourPoint makePoint(float r, float g, float b, float weight) {
    const auto level = [](float v) { return std::uint8_t(std::lround(v)); };
    return {{r, g, b}, weight, {level(r), level(g), level(b)}};
}

std::vector<ColourPoint> exactPoints(const ColourCounts& counts) {
    std::vector<ColourPoint> points;
    for (std::size_t i = 0; i < counts.colours().size(); ++i) {
        const QRgb c = counts.colours()[i];
        points.push_back(makePoint(float(qRed(c)), float(qGreen(c)), float(qBlue(c)),
                                   float(counts.counts()[i])));
    }
    return points;
}

// Counts the opaque pixels per 32x32x32 cell; each cell also sums its pixels' offsets within the
// cell (3 bits per channel), which gives the mean without risk of overflow. A large picture is
// sampled: every n-th pixel of each row, from an offset that varies pseudo-randomly by row so
// that no line of the picture is missed as a whole.
std::vector<ColourPoint> histogram(const QImage& image) {
    constexpr std::int64_t kSamples = std::int64_t(1) << 22;
    struct Cell {
        std::uint32_t count = 0, r = 0, g = 0, b = 0;
    };
    std::vector<Cell> cells(1u << 15);
    const int width = image.width(), height = image.height();
    const int step = int((std::int64_t(width) * height + kSamples - 1) / kSamples);
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* row = rowOf(image, y);
        for (int x = int((std::uint32_t(y) * 2654435761u >> 16) % std::uint32_t(step)); x < width;
             x += step) {
            const std::uint32_t p = row[x];
            if (isTransparent(p))
                continue;
            Cell& cell = cells[((p >> 9) & 0x7C00) | ((p >> 6) & 0x3E0) | ((p >> 3) & 0x1F)];
            ++cell.count;
            cell.r += (p >> 16) & 7;
            cell.g += (p >> 8) & 7;
            cell.b += p & 7;
        }
    }
    std::vector<ColourPoint> points;
    for (std::uint32_t i = 0; i < cells.size(); ++i) {
        const Cell& cell = cells[i];
        if (cell.count == 0)
            continue;
        const float n = float(cell.count);
        points.push_back(makePoint(float((i >> 10) * 8) + float(cell.r) / n,
                                   float(((i >> 5) & 31) * 8) + float(cell.g) / n,
                                   float((i & 31) * 8) + float(cell.b) / n, n));
    }
    return points;
}

// A run of points with its weight, colour sums, squared error about its mean and the range of
// its points' coordinates.
struct Box {
    std::size_t begin = 0, end = 0;
    double weight = 0, sse = 0;
    std::array<double, 3> sum{};
    std::array<int, 3> low{255, 255, 255}, high{0, 0, 0};

    Rgb mean() const {
        return {float(sum[0] / weight), float(sum[1] / weight), float(sum[2] / weight)};
    }
    // The squared error, or -1 when all points lie on one coordinate and cannot be told apart.
    double splitGain() const {
        return low[0] < high[0] || low[1] < high[1] || low[2] < high[2] ? sse : -1;
    }
};

Box makeBox(const std::vector<ColourPoint>& points, std::size_t begin, std::size_t end) {
    Box box{begin, end};
    double squares = 0;
    for (std::size_t i = begin; i < end; ++i) {
        const ColourPoint& p = points[i];
        const double c[3] = {p.mean.r, p.mean.g, p.mean.b};
        box.weight += p.weight;
        for (int k = 0; k < 3; ++k) {
            box.sum[k] += p.weight * c[k];
            squares += p.weight * c[k] * c[k];
            box.low[k] = std::min<int>(box.low[k], p.coord[k]);
            box.high[k] = std::max<int>(box.high[k], p.coord[k]);
        }
    }
    const double s2 = box.sum[0] * box.sum[0] + box.sum[1] * box.sum[1] + box.sum[2] * box.sum[2];
    box.sse = squares - s2 / box.weight;
    return box;
}

struct Cut {
    int axis = -1, at = 0; // points with coord[axis] < at go to the first half
    double score = 0;
};

// The plane across one axis that leaves the least squared error in the two halves, which is the
// one maximising |S1|^2/W1 + |S2|^2/W2 (S the colour sums, W the weights).
void bestCutOnAxis(const std::vector<ColourPoint>& points, const Box& box, int axis, Cut& best) {
    const int low = box.low[axis], high = box.high[axis];
    std::array<double, 256> weight;
    std::array<std::array<double, 3>, 256> sum;
    std::fill(weight.begin() + low, weight.begin() + high + 1, 0.0);
    std::fill(sum.begin() + low, sum.begin() + high + 1, std::array<double, 3>{});
    for (std::size_t i = box.begin; i < box.end; ++i) {
        const ColourPoint& p = points[i];
        const int slot = p.coord[axis];
        weight[slot] += p.weight;
        sum[slot][0] += p.weight * p.mean.r;
        sum[slot][1] += p.weight * p.mean.g;
        sum[slot][2] += p.weight * p.mean.b;
    }
    double w1 = 0;
    std::array<double, 3> s1{};
    for (int at = low + 1; at <= high; ++at) {
        w1 += weight[at - 1];
        for (int k = 0; k < 3; ++k)
            s1[k] += sum[at - 1][k];
        const double w2 = box.weight - w1;
        if (w1 <= 0 || w2 <= 0)
            continue;
        double score = 0;
        for (int k = 0; k < 3; ++k) {
            const double s2 = box.sum[k] - s1[k];
            score += s1[k] * s1[k] / w1 + s2 * s2 / w2;
        }
        if (best.axis < 0 || score > best.score)
            best = {axis, at, score};
    }
}

void splitBox(std::vector<ColourPoint>& points, const Box& box, Box& first, Box& second) {
    Cut cut;
    for (int axis = 0; axis < 3; ++axis)
        bestCutOnAxis(points, box, axis, cut);
    const auto middle = std::partition(
        points.begin() + std::ptrdiff_t(box.begin), points.begin() + std::ptrdiff_t(box.end),
        [&](const ColourPoint& p) { return p.coord[cut.axis] < cut.at; });
    const auto split = std::size_t(middle - points.begin());
    first = makeBox(points, box.begin, split);
    second = makeBox(points, split, box.end);
}

// Splits the box with the largest squared error until there are `count` boxes or none can be
// split; the palette is the boxes' means.
std::vector<Rgb> splitIntoBoxes(std::vector<ColourPoint>& points, int count) {
    std::vector<Box> boxes{makeBox(points, 0, points.size())};
    while (int(boxes.size()) < count) {
        const auto worst =
            std::max_element(boxes.begin(), boxes.end(), [](const Box& a, const Box& b) {
                return a.splitGain() < b.splitGain();
            });
        if (worst->splitGain() < 0)
            break;
        Box first, second;
        splitBox(points, *worst, first, second);
        *worst = first;
        boxes.push_back(second);
    }
    std::vector<Rgb> means;
    for (const Box& box : boxes)
        means.push_back(box.mean());
    return means;
}

// Moves every palette colour to the weighted mean of the points nearest to it (one round of
// k-means; more rounds gain little after the variance-minimising splits).
void refine(const std::vector<ColourPoint>& points, std::vector<Rgb>& colours) {
    NearestColour nearest(colours);
    std::vector<std::array<double, 4>> sums(colours.size(), {0, 0, 0, 0});
    for (const ColourPoint& p : points) {
        auto& s = sums[std::size_t(nearest.find(p.mean))];
        s[0] += p.weight * p.mean.r;
        s[1] += p.weight * p.mean.g;
        s[2] += p.weight * p.mean.b;
        s[3] += p.weight;
    }
    for (std::size_t i = 0; i < colours.size(); ++i) {
        if (sums[i][3] > 0)
            colours[i] = {float(sums[i][0] / sums[i][3]), float(sums[i][1] / sums[i][3]),
                          float(sums[i][2] / sums[i][3])};
    }
}

std::vector<Rgb> adaptivePalette(std::vector<ColourPoint> points, int count) {
    if (points.empty())
        return {};
    std::vector<Rgb> colours = splitIntoBoxes(points, count);
    refine(points, colours);
    for (Rgb& c : colours) // palette entries are whole numbers; search with what is stored
        c = {std::round(c.r), std::round(c.g), std::round(c.b)};
    return colours;
}

// Chooses the palette (with the transparent entry last when needed) and maps the pixels.
void reduce(const QImage& image, int limit, Palette& result, std::vector<std::uint8_t>& indices) {
    ColourCounts counts(kExactColourLimit);
    const Survey seen = survey(image, counts);
    const int opaqueLimit = seen.hasTransparent ? limit - 1 : limit;
    if (seen.counted && int(counts.colours().size()) <= opaqueLimit) {
        result.colours = counts.colours();
        result.transparentIndex = seen.hasTransparent ? int(result.colours.size()) : -1;
        mapExact(image, counts, result.transparentIndex, indices);
    } else {
        const std::vector<Rgb> colours =
            adaptivePalette(seen.counted ? exactPoints(counts) : histogram(image), opaqueLimit);
        for (const Rgb& c : colours)
            result.colours.push_back(qRgb(int(c.r), int(c.g), int(c.b)));
        result.transparentIndex = seen.hasTransparent ? int(result.colours.size()) : -1;
        mapping::diffuse(image, colours, result.transparentIndex, indices);
    }
    if (result.transparentIndex >= 0)
        result.colours.push_back(qRgba(0, 0, 0, 0));
}

} // namespace

Status quantize(const QImage& straightArgb, int maxColours, Palette& palette,
                std::vector<std::uint8_t>& indices) {
    if (straightArgb.isNull())
        return Status::InvalidParameter;
    try {
        const QImage image = straightArgb.format() == QImage::Format_ARGB32 ||
                                     straightArgb.format() == QImage::Format_RGB32
                                 ? straightArgb
                                 : straightArgb.convertToFormat(QImage::Format_ARGB32);
        if (image.isNull())
            return Status::OutOfMemory;
        indices.assign(std::size_t(image.width()) * std::size_t(image.height()), 0);
        Palette result;
        reduce(image, std::clamp(maxColours, 2, 256), result, indices);
        palette = std::move(result);
        return Status::Ok;
    } catch (const std::bad_alloc&) {
        return Status::OutOfMemory;
    }
}

} // namespace pix::imaging
