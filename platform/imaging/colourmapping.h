// Mapping pixels to palette entries, for the colour quantizer: the nearest entry of a colour and
// error diffusion over a picture.
#pragma once

#include <QImage>
#include <array>
#include <cstdint>
#include <vector>

namespace pix::imaging::mapping {

// A palette or picture colour with channels 0..255, not necessarily whole.
struct Rgb {
    float r = 0, g = 0, b = 0;
};

// Nearest palette entry by squared distance (Heckbert's locally sorted search). Colour space is
// divided into 8x8x8 boxes; a box lists the entries that can be nearest to some point in it,
// those no farther from the box than the smallest farthest distance of any entry, ordered by
// their distance from the box, so that a search stops at the first entry whose distance from the
// box exceeds the best found. Lists are made on first use.
class NearestColour {
public:
    static constexpr int kBoxes = 8, kSide = 256 / kBoxes;

    explicit NearestColour(const std::vector<Rgb>& colours);

    int find(const Rgb& c);

    // The nearest entries of the centres of 4x4x4 cells of side `cell` levels whose first
    // corner is at `origin` (r, g, b levels); the cells lie in box (r, g, b), and cell (i, j, k)
    // is at i * 16 + j * 4 + k.
    void findCells(int r, int g, int b, const std::array<int, 3>& origin, int cell,
                   std::array<int, 64>& found);

private:
    struct Candidate {
        float distance; // squared, from the box
        int index;
    };

    const std::vector<Candidate>& listOf(int r, int g, int b);
    std::vector<Candidate> candidates(float lowR, float lowG, float lowB) const;

    std::vector<Rgb> colours_;
    std::vector<std::vector<Candidate>> lists_; // per box
    std::vector<bool> listed_;
};

// Maps every pixel of a picture with straight alpha (Format_ARGB32 or Format_RGB32) to the
// palette (whole-numbered colours, at most 256) with Floyd-Steinberg error diffusion; fully
// transparent pixels get transparentIndex. indices holds width * height entries.
void diffuse(const QImage& image, const std::vector<Rgb>& palette, int transparentIndex,
             std::vector<std::uint8_t>& indices);

} // namespace pix::imaging::mapping
