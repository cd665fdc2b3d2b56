#include "platform/imaging/jpegdcpreview.h"

#include "platform/imaging/jpegdcscans.h"

#include <algorithm>
#include <exception>
#include <utility>
#include <vector>

namespace pix::imaging::jpeg {

namespace {

// Rows made before they are turned into the target.
constexpr int kBandRows = 16;

// libjpeg's 1 x 1 inverse DCT: the DC dequantised, divided by 8 with rounding, centred and
// clamped. The samples replace the coefficients in place.
void dcToSamples(DcComponent& c) {
    for (std::int16_t& value : c.dc) {
        const std::int64_t level = (std::int64_t(value) * c.q0 + 4) >> 3;
        value = std::int16_t(std::clamp<std::int64_t>(level + 128, 0, 255));
    }
}

// How a subsampled component is enlarged to the full-resolution grid, as libjpeg does it at an
// eighth: by a larger inverse DCT (2 x 2 pixels a block for 4:2:0 chroma) as far as the factors
// of both directions allow, then by repeating pixels (4:2:2 chroma). Without the AC a larger
// IDCT is a smooth surface through the block centres, drawn here by linear interpolation between
// them; repeating stays repeating.
struct Enlargement {
    int smooth = 1, repeat = 1;
};

std::pair<Enlargement, Enlargement> enlargementOf(const DcFrame& frame, const DcComponent& c) {
    const int rx = frame.hMax / c.h, ry = frame.vMax / c.v;
    int smooth = 1;
    while (smooth < 8 && rx % (smooth * 2) == 0 && ry % (smooth * 2) == 0)
        smooth *= 2;
    return {{smooth, rx / smooth}, {smooth, ry / smooth}};
}

// The two blocks an output pixel lies between and the second one's weight, in units of
// 1 / (2 x smooth): the pixel's centre measured from the blocks' centres, the edges held. For a
// factor of 2 the weights are 3/4 and 1/4.
struct Tap {
    int first = 0, second = 0, weight = 0;
};

Tap tapFor(int out, Enlargement e, int count) {
    const int position = 2 * (out / e.repeat) + 1 - e.smooth;
    if (position <= 0)
        return {};
    const int first = position / (2 * e.smooth);
    if (first >= count - 1)
        return {count - 1, count - 1, 0};
    return {first, first + 1, position % (2 * e.smooth)};
}

// Row y of a component on the full-resolution grid.
void componentRow(const DcComponent& c, std::pair<Enlargement, Enlargement> e, int y, int width,
                  std::uint8_t* out) {
    const Tap v = tapFor(y, e.second, c.blocksHigh);
    const std::int16_t* top = c.dc.data() + std::size_t(v.first) * std::size_t(c.paddedWide);
    const std::int16_t* bottom = c.dc.data() + std::size_t(v.second) * std::size_t(c.paddedWide);
    const int across = 2 * e.first.smooth, down = 2 * e.second.smooth;
    const int scale = across * down;
    for (int x = 0; x < width; ++x) {
        const Tap h = tapFor(x, e.first, c.blocksWide);
        const int left = top[h.first] * (down - v.weight) + bottom[h.first] * v.weight;
        const int right = top[h.second] * (down - v.weight) + bottom[h.second] * v.weight;
        out[x] = std::uint8_t((left * (across - h.weight) + right * h.weight + scale / 2) / scale);
    }
}

int clampSample(int value) {
    return std::clamp(value, 0, 255);
}

// libjpeg's YCbCr to RGB: 16-bit fixed-point factors, rounded.
QRgb yccToRgb(int y, int cb, int cr) {
    constexpr std::int64_t half = 1 << 15;
    const std::int64_t b = cb - 128, r = cr - 128;
    return qRgb(clampSample(y + int((91881 * r + half) >> 16)),
                clampSample(y + int((-22554 * b - 46802 * r + half) >> 16)),
                clampSample(y + int((116130 * b + half) >> 16)));
}

void samplesToPixels(const std::vector<std::uint8_t>& samples, int width, DcColour colour,
                     QRgb* out) {
    const std::uint8_t* c0 = samples.data();
    const std::uint8_t* c1 = c0 + width;
    const std::uint8_t* c2 = c1 + width;
    for (int x = 0; x < width; ++x) {
        if (colour == DcColour::Grey)
            out[x] = qRgb(c0[x], c0[x], c0[x]);
        else if (colour == DcColour::Rgb)
            out[x] = qRgb(c0[x], c1[x], c2[x]);
        else
            out[x] = yccToRgb(c0[x], c1[x], c2[x]);
    }
}

bool draw(const unsigned char* data, std::size_t size, const DcPreviewFrame& request,
          RotateFlipType type, QImage& target) {
    const int count = request.colour == DcColour::Grey ? 1 : 3;
    DcFrame frame;
    if (!readDcScans(data, size, request.width, request.height, count, frame))
        return false;
    const QSize size8((request.width + 7) / 8, (request.height + 7) / 8);
    const int width = size8.width();
    if (target.size() != rotatedSize(width, size8.height(), type))
        return false;
    for (DcComponent& c : frame.components)
        dcToSamples(c);
    std::vector<std::uint8_t> samples(std::size_t(width) * 3);
    std::vector<QRgb> band(std::size_t(width) * kBandRows);
    for (int first = 0; first < size8.height(); first += kBandRows) {
        const int rows = std::min(kBandRows, size8.height() - first);
        for (int i = 0; i < rows; ++i) {
            for (int k = 0; k < count; ++k) {
                const DcComponent& c = frame.components[std::size_t(k)];
                componentRow(c, enlargementOf(frame, c), first + i, width,
                             samples.data() + std::size_t(k) * std::size_t(width));
            }
            samplesToPixels(samples, width, request.colour, band.data() + std::size_t(i) * width);
        }
        copyRowsRotated(reinterpret_cast<const uchar*>(band.data()), qsizetype(width) * 4, first,
                        rows, size8, type, target);
    }
    return true;
}

} // namespace

bool drawDcPreview(const unsigned char* data, std::size_t size, const DcPreviewFrame& frame,
                   RotateFlipType type, QImage& target) noexcept {
    try {
        return draw(data, size, frame, type, target);
    } catch (const std::exception&) { // a failed allocation: libjpeg's path reports it
        return false;
    }
}

} // namespace pix::imaging::jpeg
