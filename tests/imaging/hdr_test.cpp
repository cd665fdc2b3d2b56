// HDR signals (PQ, HLG) to SDR sRGB: the transfer functions against their published values, the
// tone curve's shape, and whole pixels for the primaries HDR pictures come in.
#include "platform/imaging/hdrtosdr.h"

#include <QColor>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace pix::imaging::hdr {
namespace {

TEST(HdrToSdr, TransferFunctionsGiveTheirPublishedValues) {
    const struct {
        int transfer;
        double signal;
        double expected; // PQ: cd/m2; HLG: scene light
    } cases[] = {
        {kPq, 0, 0},           {kPq, 0.508078, 100},  {kPq, 0.580689, 203},
        {kPq, 0.751827, 1000}, {kPq, 1, 10000},       {kHlg, 0, 0},
        {kHlg, 0.5, 1.0 / 12}, {kHlg, 0.75, 0.26496}, {kHlg, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.signal);
        const double got = c.transfer == kPq ? pqToNits(c.signal) : hlgToScene(c.signal);
        EXPECT_NEAR(got, c.expected, c.expected * 0.002 + 1e-4);
    }
}

TEST(HdrToSdr, TheToneCurveKeepsTheDarkRollsOffTheBrightAndNeverClipsEarly) {
    for (const double peak : {1000 / kReferenceWhite, 10000 / kReferenceWhite}) {
        SCOPED_TRACE(peak);
        EXPECT_DOUBLE_EQ(toneCurve(0.5, peak), 0.5);        // below the knee: as it is
        EXPECT_NEAR(toneCurve(1, peak), 0.85, 0.002);       // the reference white
        EXPECT_DOUBLE_EQ(toneCurve(peak, peak), 1);         // the peak: SDR white
        EXPECT_DOUBLE_EQ(toneCurve(peak * 2, peak), 1);     // beyond it: white
        EXPECT_NEAR(toneCurve(0.7001, peak), 0.7001, 1e-6); // no step at the knee
        double previous = 0;
        for (double light = 0.01; light < peak; light *= 1.05) {
            const double y = toneCurve(light, peak);
            EXPECT_GT(y, previous);
            EXPECT_LT(y, 1);
            previous = y;
        }
    }
}

double hueOf(QRgb pixel) {
    return QColor(pixel).hsvHueF() * 360;
}

// Whole pixels, for each primaries and transfer an HDR picture may carry: a grey ramp over
// every code is grey (the whites are adapted), monotone, from black to white; each pure primary
// at the reference white's signal keeps its hue and rises monotonically with its signal.
TEST(HdrToSdr, PrimariesComeIntoSrgbWithTheirHueAndRampsStayMonotone) {
    const struct {
        int primaries;
        int transfer;
        double whiteSignal; // the reference white's signal
    } cases[] = {
        {9, kPq, 0.580689},  {9, kHlg, 0.75},    {12, kPq, 0.580689}, // BT.2020, Display P3
        {11, kPq, 0.580689},                                          // DCI-P3: its own white
        {1, kHlg, 0.75},     {2, kPq, 0.580689},                      // sRGB, unspecified
    };
    constexpr int kMax = 1023;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.primaries << "/" << c.transfer);
        const ToSdr sdr(c.primaries, c.transfer, kMax);
        std::vector<std::uint16_t> samples;
        for (int code = 0; code <= kMax; ++code)
            samples.insert(samples.end(),
                           {std::uint16_t(code), std::uint16_t(code), std::uint16_t(code)});
        std::vector<QRgb> grey(kMax + 1);
        sdr.convert(samples.data(), 3, kMax + 1, RowAlpha::None, grey.data());
        EXPECT_EQ(grey.front(), qRgb(0, 0, 0));
        EXPECT_EQ(grey.back(), qRgb(255, 255, 255));
        for (int code = 1; code <= kMax; ++code) {
            EXPECT_GE(qGreen(grey[code]), qGreen(grey[code - 1])) << code;
            EXPECT_NEAR(qRed(grey[code]), qGreen(grey[code]), 1) << code;
            EXPECT_NEAR(qBlue(grey[code]), qGreen(grey[code]), 1) << code;
        }
        const int white = int(std::lround(c.whiteSignal * kMax));
        EXPECT_NEAR(qGreen(grey[std::size_t(white)]), 237, 2);

        const double hues[3] = {0, 120, 240};
        for (int primary = 0; primary < 3; ++primary) {
            SCOPED_TRACE(primary);
            std::vector<std::uint16_t> pure(std::size_t(kMax + 1) * 3, 0);
            for (int code = 0; code <= kMax; ++code)
                pure[std::size_t(code * 3 + primary)] = std::uint16_t(code);
            std::vector<QRgb> out(kMax + 1);
            sdr.convert(pure.data(), 3, kMax + 1, RowAlpha::None, out.data());
            const QRgb atWhite = out[std::size_t(white)];
            const double hue = hueOf(atWhite);
            EXPECT_LT(std::min(std::abs(hue - hues[primary]), 360 - std::abs(hue - hues[primary])),
                      15)
                << std::hex << atWhite;
            const auto channel = [primary](QRgb p) {
                return primary == 0 ? qRed(p) : primary == 1 ? qGreen(p) : qBlue(p);
            };
            for (int code = 1; code <= kMax; ++code)
                EXPECT_GE(channel(out[std::size_t(code)]), channel(out[std::size_t(code - 1)]));
        }
    }
}

TEST(HdrToSdr, AlphaIsKeptAndTheColourPremultipliedOnce) {
    const ToSdr sdr(9, kPq, 1023);
    const std::uint16_t white = 594; // the reference white, 203 cd/m2
    const struct {
        RowAlpha alpha;
        std::uint16_t colour; // as the row holds it
    } cases[] = {
        {RowAlpha::Straight, white},
        {RowAlpha::Premultiplied, std::uint16_t(white * 512 / 1023)},
    };
    for (const auto& c : cases) {
        const std::uint16_t samples[4] = {c.colour, c.colour, c.colour, 512};
        QRgb out = 0;
        sdr.convert(samples, 4, 1, c.alpha, &out);
        EXPECT_EQ(qAlpha(out), 128);
        EXPECT_NEAR(qGreen(out), 237 * 128 / 255, 2);
    }
}

} // namespace
} // namespace pix::imaging::hdr
