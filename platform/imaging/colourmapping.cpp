#include "platform/imaging/colourmapping.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace pix::imaging::mapping {
namespace {

float distance2(const Rgb& a, const Rgb& b) {
    const float dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
    return dr * dr + dg * dg + db * db;
}

bool isTransparent(std::uint32_t pixel) {
    return (pixel >> 24) == 0;
}

int boxOf(float v) {
    return std::clamp(int(v) / NearestColour::kSide, 0, NearestColour::kBoxes - 1);
}

} // namespace

NearestColour::NearestColour(const std::vector<Rgb>& colours)
    : colours_(colours), lists_(kBoxes * kBoxes * kBoxes), listed_(lists_.size(), false) {}

int NearestColour::find(const Rgb& c) {
    float best = INFINITY;
    int index = 0;
    for (const Candidate& candidate : listOf(boxOf(c.r), boxOf(c.g), boxOf(c.b))) {
        if (candidate.distance >= best)
            break;
        const float d = distance2(colours_[std::size_t(candidate.index)], c);
        if (d < best) {
            best = d;
            index = candidate.index;
        }
    }
    return index;
}

// All cells at once: the loop over the cells is one the compiler can vectorise.
void NearestColour::findCells(int r, int g, int b, const std::array<int, 3>& origin, int cell,
                              std::array<int, 64>& found) {
    std::array<float, 64> cellR, cellG, cellB, best;
    const float half = float(cell) / 2;
    for (int i = 0; i < 64; ++i) {
        cellR[i] = float(origin[0] + (i >> 4) * cell) + half;
        cellG[i] = float(origin[1] + ((i >> 2) & 3) * cell) + half;
        cellB[i] = float(origin[2] + (i & 3) * cell) + half;
        best[i] = INFINITY;
    }
    const std::vector<Candidate>& list = listOf(r, g, b);
    for (std::size_t n = 0; n < list.size(); ++n) {
        const Candidate& candidate = list[n];
        // Every cell has found its entry once the rest are all farther than the worst best.
        if (n % 8 == 0 && candidate.distance >= *std::max_element(best.begin(), best.end()))
            break;
        const Rgb& c = colours_[std::size_t(candidate.index)];
        for (int i = 0; i < 64; ++i) {
            const float dr = cellR[i] - c.r, dg = cellG[i] - c.g, db = cellB[i] - c.b;
            const float d = dr * dr + dg * dg + db * db;
            found[i] = d < best[i] ? candidate.index : found[i];
            best[i] = std::min(d, best[i]);
        }
    }
}

const std::vector<NearestColour::Candidate>& NearestColour::listOf(int r, int g, int b) {
    const auto box = std::size_t((r * kBoxes + g) * kBoxes + b);
    if (!listed_[box]) {
        lists_[box] = candidates(float(r * kSide), float(g * kSide), float(b * kSide));
        listed_[box] = true;
    }
    return lists_[box];
}

std::vector<NearestColour::Candidate> NearestColour::candidates(float lowR, float lowG,
                                                                float lowB) const {
    const float low[3] = {lowR, lowG, lowB};
    std::vector<Candidate> list;
    float bound = INFINITY;
    for (std::size_t i = 0; i < colours_.size(); ++i) {
        const float c[3] = {colours_[i].r, colours_[i].g, colours_[i].b};
        float near = 0, far = 0;
        for (int k = 0; k < 3; ++k) {
            const float high = low[k] + kSide;
            const float outside = std::max(low[k] - c[k], 0.0f) + std::max(c[k] - high, 0.0f);
            const float across = std::max(c[k] - low[k], high - c[k]);
            near += outside * outside;
            far += across * across;
        }
        list.push_back({near, int(i)});
        bound = std::min(bound, far);
    }
    std::erase_if(list, [bound](const Candidate& e) { return e.distance > bound; });
    std::sort(list.begin(), list.end(), [](const Candidate& a, const Candidate& b) {
        return a.distance < b.distance || (a.distance == b.distance && a.index < b.index);
    });
    return list;
}

namespace {

// Four 16-bit lanes holding blue, green, red and a spare lane, in the byte order of a 32-bit
// pixel: the diffusion works on all channels at once. GCC and Clang give a vector type (SIMD
// instructions on any target); other compilers get an equivalent plain struct.
#if defined(__GNUC__)
using Lanes = std::int16_t __attribute__((vector_size(8)));
using ByteLanes = std::uint8_t __attribute__((vector_size(4)));

Lanes lanesOf(std::uint32_t pixel) {
    ByteLanes bytes;
    std::memcpy(&bytes, &pixel, sizeof bytes);
    return __builtin_convertvector(bytes, Lanes);
}

// Clamps each lane to 0..255, in place, and packs the lanes into a pixel.
std::uint32_t pixelOf(Lanes& lanes) {
    lanes = lanes < 0 ? 0 : lanes;
    lanes = lanes > 255 ? 255 : lanes;
    const ByteLanes bytes = __builtin_convertvector(lanes, ByteLanes);
    std::uint32_t pixel;
    std::memcpy(&pixel, &bytes, sizeof pixel);
    return pixel;
}
#else
struct Lanes {
    std::array<int, 4> v{};
    friend Lanes operator+(Lanes a, Lanes b) {
        for (int k = 0; k < 4; ++k)
            a.v[k] += b.v[k];
        return a;
    }
    friend Lanes operator-(Lanes a, Lanes b) {
        for (int k = 0; k < 4; ++k)
            a.v[k] -= b.v[k];
        return a;
    }
    friend Lanes operator*(Lanes a, int f) {
        for (int& lane : a.v)
            lane *= f;
        return a;
    }
    friend Lanes operator>>(Lanes a, int n) {
        for (int& lane : a.v)
            lane >>= n;
        return a;
    }
    friend Lanes operator+(Lanes a, int n) { return a + Lanes{{n, n, n, n}}; }
    Lanes& operator+=(Lanes b) { return *this = *this + b; }
};

Lanes lanesOf(std::uint32_t pixel) {
    return {
        {int(pixel & 0xFF), int((pixel >> 8) & 0xFF), int((pixel >> 16) & 0xFF), int(pixel >> 24)}};
}

std::uint32_t pixelOf(Lanes& lanes) {
    std::uint32_t pixel = 0;
    for (int k = 0; k < 4; ++k) {
        lanes.v[k] = std::clamp(lanes.v[k], 0, 255);
        pixel |= std::uint32_t(lanes.v[k]) << (8 * k);
    }
    return pixel;
}
#endif

// Floyd-Steinberg error diffusion. Errors are kept in sixteenths, with one pixel of padding at
// each end of a row. Rows are diffused in bands of four, each row two pixels behind the one above
// it: the errors a pixel takes are then all in place, and the rows' independent work overlaps in
// the processor. The direction alternates from band to band. Transparent pixels neither take nor
// pass on error.
//
// The nearest palette entry of a colour comes from a table of 64x64x64 cells of 4 levels a side
// (fine enough that the entry nearest a cell's centre is almost always the one nearest each of
// its colours), filled one box of 8x8x8 cells at a time when a pixel first falls in the box: most
// pictures use a small part of colour space.
class Diffuser {
public:
    static constexpr int kBand = 4;

    Diffuser(const std::vector<Rgb>& colours, int width, int transparentIndex)
        : nearest_(colours), table_(1u << 18), filled_(kBoxCount, 0),
          transparent_(std::uint8_t(transparentIndex)), width_(width) {
        for (const Rgb& c : colours)
            palette_.push_back(lanesOf(qRgb(int(c.r), int(c.g), int(c.b)) & 0xFFFFFFu));
        for (std::vector<Lanes>& errors : errors_)
            errors.assign(std::size_t(width) + 2, Lanes{});
    }

    // Diffuses `count` (at most kBand) rows from `top`; out receives the first row's indices.
    void band(const QImage& image, int top, int count, std::uint8_t* out, bool leftward) {
        std::array<Row, kBand> rows;
        for (int j = 0; j < count; ++j) {
            const auto* in = reinterpret_cast<const std::uint32_t*>(image.constScanLine(top + j));
            rows[j] = {in,
                       out + std::size_t(j) * std::size_t(width_),
                       errors_[j].data() + 1,
                       errors_[j + 1].data() + 1,
                       Lanes{},
                       Lanes{}};
            // The padding slots take the error that falls off the ends of the row.
            errors_[j + 1].front() = errors_[j + 1].back() = Lanes{};
        }
        // Locals, not members: the index stores may alias anything the loop reads.
        const Context context{table_.data(), filled_.data(),    palette_.data(),
                              this,          leftward ? -1 : 1, transparent_};
        const int first = leftward ? width_ - 1 : 0, width = width_;
        for (int t = 0; t < width + 2 * (count - 1); ++t) {
            for (int j = 0; j < count; ++j) {
                const int along = t - 2 * j;
                if (along >= 0 && along < width)
                    pixel(rows[j], first + along * context.step, context);
            }
        }
        std::swap(errors_[0], errors_[count]);
    }

private:
    struct Row {
        const std::uint32_t* in;
        std::uint8_t* out;
        const Lanes* errors; // taken by this row
        Lanes* below;        // passed to the next row
        Lanes right, last;   // 7/16 of the last error, and the last error
    };

    struct Context {
        const std::uint8_t* table;
        const std::uint8_t* filled; // per box
        const Lanes* palette;
        Diffuser* self;
        int step;
        std::uint8_t transparent;
    };

    static constexpr int kBoxes = NearestColour::kBoxes, kBoxCount = kBoxes * kBoxes * kBoxes;

    static constexpr int kCell = 4, kCellsPerSide = 256 / kCell;

    // A box is 32 levels a side: eight blocks of 4x4x4 cells.
    void fill(int box) {
        const int r = box / (kBoxes * kBoxes), g = box / kBoxes % kBoxes, b = box % kBoxes;
        std::array<int, 64> found{};
        for (int block = 0; block < 8; ++block) {
            const std::array<int, 3> origin = {r * NearestColour::kSide + (block >> 2) * 16,
                                               g * NearestColour::kSide + ((block >> 1) & 1) * 16,
                                               b * NearestColour::kSide + (block & 1) * 16};
            nearest_.findCells(r, g, b, origin, kCell, found);
            for (int i = 0; i < 64; ++i) {
                const int cr = origin[0] / kCell + (i >> 4);
                const int cg = origin[1] / kCell + ((i >> 2) & 3);
                const int cb = origin[2] / kCell + (i & 3);
                table_[std::size_t((cr * kCellsPerSide + cg) * kCellsPerSide + cb)] =
                    std::uint8_t(found[std::size_t(i)]);
            }
        }
        filled_[std::size_t(box)] = 1;
    }

    static void pixel(Row& row, int x, const Context& context) {
        const std::uint32_t p = row.in[x];
        Lanes diff{};
        if (isTransparent(p)) {
            row.out[x] = context.transparent;
        } else {
            Lanes c = lanesOf(p & 0xFFFFFFu) + ((row.errors[x] + row.right + 8) >> 4);
            const std::uint32_t q = pixelOf(c); // 0x00RRGGBB
            const int box = ((q >> 15) & 0x1C0) | ((q >> 10) & 0x38) | ((q >> 5) & 7);
            if (!context.filled[box])
                context.self->fill(box);
            const int index =
                context.table[((q >> 6) & 0x3F000) | ((q >> 4) & 0xFC0) | ((q >> 2) & 0x3F)];
            row.out[x] = std::uint8_t(index);
            diff = c - context.palette[index];
        }
        const int step = context.step;
        // The next row's slot x gets 5/16 of this error and 1/16 of the last; slot x - step,
        // which had its part of the two before, gets 3/16 of this one. A slot is written before
        // it is added to, so the rows need no clearing.
        row.below[x - step] += diff * 3;
        row.below[x] = diff * 5 + row.last;
        row.right = diff * 7;
        row.last = diff;
    }

    NearestColour nearest_;
    std::vector<std::uint8_t> table_;
    std::vector<std::uint8_t> filled_;
    std::vector<Lanes> palette_;
    std::uint8_t transparent_;
    int width_;
    std::array<std::vector<Lanes>, kBand + 1> errors_;
};

} // namespace

void diffuse(const QImage& image, const std::vector<Rgb>& palette, int transparentIndex,
             std::vector<std::uint8_t>& indices) {
    Diffuser diffuser(palette, image.width(), transparentIndex);
    const int height = image.height();
    for (int top = 0; top < height; top += Diffuser::kBand) {
        diffuser.band(image, top, std::min(Diffuser::kBand, height - top),
                      indices.data() + std::size_t(top) * std::size_t(image.width()),
                      (top / Diffuser::kBand) % 2 != 0);
    }
}

} // namespace pix::imaging::mapping
