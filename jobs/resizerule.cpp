#include "jobs/resizerule.h"

#include "jobs/quarterturn.h"

#include <QString>
#include <algorithm>
#include <array>
#include <limits>

namespace pix {

namespace {

using namespace Qt::Literals::StringLiterals;

constexpr std::array kModes{
    ResizeModeRow{ResizeMode::Exact, "exact"_L1, "Exact size"_L1},
    ResizeModeRow{ResizeMode::Fit, "fit"_L1, "Fit within"_L1},
    ResizeModeRow{ResizeMode::LongEdge, "long"_L1, "Long edge"_L1},
    ResizeModeRow{ResizeMode::Percent, "percent"_L1, "Percent"_L1},
};

// Sides beyond this are absurd for any picture; bounding them keeps every product in 64 bits.
constexpr std::int64_t kSideBound = std::int64_t{1} << 30;

std::int64_t bounded(std::int64_t side) {
    return std::clamp<std::int64_t>(side, 0, kSideBound);
}

int toInt(std::int64_t value) {
    return int(std::clamp<std::int64_t>(value, 1, std::numeric_limits<int>::max()));
}

bool hasArea(QSize size) {
    return size.width() > 0 && size.height() > 0;
}

// a x b / c rounded to the nearest, a half up; c above 0.
std::int64_t scaled(std::int64_t a, std::int64_t b, std::int64_t c) {
    return (2 * a * b + c) / (2 * c);
}

QSize longEdge(QSize own, std::int32_t edge) {
    if (!hasArea(own))
        return {edge, edge};
    if (own.width() >= own.height())
        return {edge, toInt(ProportionalSide(edge, own.width(), own.height()))};
    return {toInt(ProportionalSide(edge, own.height(), own.width())), edge};
}

QSize percentOf(QSize own, std::int32_t percent) {
    if (!hasArea(own))
        return own;
    return {toInt(scaled(bounded(own.width()), percent, 100)),
            toInt(scaled(bounded(own.height()), percent, 100))};
}

QSize exact(QSize own, const ResizeRule& rule) {
    const QSize box(rule.width, rule.height);
    if (!rule.keepProportions || !hasArea(own) || FollowsProportions(own, box))
        return box;
    return FitWithin(own, box);
}

} // namespace

std::span<const ResizeModeRow> resizeModes() {
    return kModes;
}

const ResizeModeRow& resizeModeRow(ResizeMode mode) {
    for (const ResizeModeRow& row : kModes) {
        if (row.mode == mode)
            return row;
    }
    return kModes.front(); // unreachable: every mode has a row
}

std::optional<ResizeMode> resizeModeForKeyword(QStringView keyword) {
    for (const ResizeModeRow& row : kModes) {
        if (keyword.compare(row.keyword, Qt::CaseInsensitive) == 0)
            return row.mode;
    }
    return std::nullopt;
}

std::int64_t ProportionalSide(std::int64_t side, std::int64_t ownSide, std::int64_t ownOther) {
    if (ownSide < 1 || ownOther < 1)
        return std::max<std::int64_t>(side, 1);
    return std::max<std::int64_t>(
        scaled(bounded(side), bounded(ownOther), std::min(ownSide, kSideBound)), 1);
}

QSize FitWithin(QSize own, QSize box) {
    if (!hasArea(own) || !hasArea(box))
        return box;
    // The box is wider than the picture's proportions when width x ownHeight exceeds
    // height x ownWidth: then its height limits.
    const std::int64_t across = std::int64_t{box.width()} * own.height();
    const std::int64_t down = std::int64_t{box.height()} * own.width();
    if (across <= down)
        return {box.width(), toInt(ProportionalSide(box.width(), own.width(), own.height()))};
    return {toInt(ProportionalSide(box.height(), own.height(), own.width())), box.height()};
}

bool FollowsProportions(QSize own, QSize size) {
    return size.height() == ProportionalSide(size.width(), own.width(), own.height()) ||
           size.width() == ProportionalSide(size.height(), own.height(), own.width());
}

bool IsUsable(const ResizeRule& rule) {
    switch (rule.mode) {
    case ResizeMode::Exact:
    case ResizeMode::Fit:
        return rule.width > 0 && rule.height > 0;
    case ResizeMode::LongEdge:
        return rule.longEdge > 0;
    case ResizeMode::Percent:
        return rule.percent > 0 && rule.percent <= kPercentMaximum;
    }
    return false;
}

bool DependsOnPicture(const ResizeRule& rule) {
    return rule.mode != ResizeMode::Exact || rule.shrinkOnly || rule.keepProportions;
}

QSize ResizedSize(QSize own, const ResizeRule& rule) {
    if (!IsUsable(rule))
        return own;
    QSize result;
    switch (rule.mode) {
    case ResizeMode::Exact:
        result = exact(own, rule);
        break;
    case ResizeMode::Fit:
        result = FitWithin(own, QSize(rule.width, rule.height));
        break;
    case ResizeMode::LongEdge:
        result = longEdge(own, rule.longEdge);
        break;
    case ResizeMode::Percent:
        result = percentOf(own, rule.percent);
        break;
    }
    const bool alreadySmaller =
        hasArea(own) && own.width() <= result.width() && own.height() <= result.height();
    return rule.shrinkOnly && alreadySmaller ? own : result;
}

QSize ResizedOutput(QSize upright, std::int32_t rotate, const ResizeRule& rule) {
    return ResizedSize(TurnedSize(upright, rotate), rule);
}

} // namespace pix
