// ssim REFERENCE PICTURE: the structural similarity of two pictures of the same size, on their
// luma (BT.601), over 8 x 8 windows every 4 pixels, with the usual constants (K1 0.01, K2
// 0.03, 8-bit range); 1 is identical. Both files are read by Pixovia's decoders.
#include "platform/imaging/decoder.h"

#include <cstdio>
#include <vector>

namespace {

std::vector<double> luma(const QImage& image) {
    std::vector<double> out(std::size_t(image.width()) * std::size_t(image.height()));
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            out[std::size_t(y) * std::size_t(image.width()) + std::size_t(x)] =
                0.299 * qRed(row[x]) + 0.587 * qGreen(row[x]) + 0.114 * qBlue(row[x]);
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: ssim REFERENCE PICTURE\n");
        return 2;
    }
    using namespace pix::imaging;
    Picture a, b;
    if (decodeFile(QString::fromLocal8Bit(argv[1]), a) != Status::Ok ||
        decodeFile(QString::fromLocal8Bit(argv[2]), b) != Status::Ok) {
        std::fprintf(stderr, "ssim: cannot read the pictures\n");
        return 1;
    }
    // Transparent parts count as they show on white.
    const QImage x = flattenedOnWhite(a).convertToFormat(QImage::Format_RGB32);
    const QImage y = flattenedOnWhite(b).convertToFormat(QImage::Format_RGB32);
    if (x.size() != y.size() || x.width() < 8 || x.height() < 8) {
        std::fprintf(stderr, "ssim: the pictures differ in size\n");
        return 1;
    }
    const std::vector<double> p = luma(x), q = luma(y);
    const int w = x.width();
    constexpr double c1 = (0.01 * 255) * (0.01 * 255), c2 = (0.03 * 255) * (0.03 * 255);
    double total = 0;
    long windows = 0;
    for (int top = 0; top + 8 <= x.height(); top += 4) {
        for (int left = 0; left + 8 <= w; left += 4) {
            double sp = 0, sq = 0, spp = 0, sqq = 0, spq = 0;
            for (int j = top; j < top + 8; ++j) {
                for (int i = left; i < left + 8; ++i) {
                    const double u = p[std::size_t(j) * std::size_t(w) + std::size_t(i)];
                    const double v = q[std::size_t(j) * std::size_t(w) + std::size_t(i)];
                    sp += u;
                    sq += v;
                    spp += u * u;
                    sqq += v * v;
                    spq += u * v;
                }
            }
            const double n = 64, mp = sp / n, mq = sq / n;
            const double vp = spp / n - mp * mp, vq = sqq / n - mq * mq, cov = spq / n - mp * mq;
            total +=
                ((2 * mp * mq + c1) * (2 * cov + c2)) / ((mp * mp + mq * mq + c1) * (vp + vq + c2));
            ++windows;
        }
    }
    std::printf("%.5f\n", total / double(windows));
    return 0;
}
