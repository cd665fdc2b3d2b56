// FormatFileSize: the text of the "Size" columns.
#include "browser/common/formatting.h"

#include <algorithm>

namespace pix {

namespace {

constexpr quint64 kKilobyte = 1024;
constexpr quint64 kMegabyte = 1024 * 1024;
constexpr int kMaxDecimals = 20;

} // namespace

QString FormatFileSize(quint64 size, int decimals) {
    if (size < kKilobyte)
        return QString::number(size) + QLatin1String(" bytes");

    const bool kilobytes = size < kMegabyte;
    const quint64 divisor = kilobytes ? kKilobyte : kMegabyte;
    const QLatin1String unit = kilobytes ? QLatin1String(" KB") : QLatin1String(" MB");

    // The quotient in single precision: rounding the size to the nearest float and dividing by
    // a power of two gives exactly the float nearest to size / divisor. A fraction that single
    // precision cannot hold is thereby lost ("16 MB" for 16 MB and one byte).
    const quint64 whole = size / divisor;
    const float quotient = static_cast<float>(size) / static_cast<float>(divisor);

    // Compared in double, where both sides are exact.
    if (static_cast<double>(quotient) - static_cast<double>(whole) > 0) {
        // Qt's conversion ignores the C locale, so the point is always ".", and rounds a tie
        // away from zero (1152 bytes: "1.13 KB").
        const int precision = std::clamp(decimals, 0, kMaxDecimals);
        return QString::number(static_cast<double>(quotient), 'f', precision) + unit;
    }
    return QString::number(whole) + unit;
}

} // namespace pix
