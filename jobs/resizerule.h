// How a row's output size follows from its picture: the resize modes ("Exact size", "Fit
// within", "Long edge", "Percent") and "Only shrink". Every rule takes the picture as it will
// come out of its turn, so a turned picture is never stretched.
#pragma once

#include <QLatin1String>
#include <QSize>
#include <QStringView>
#include <cstdint>
#include <optional>
#include <span>

namespace pix {

enum class ResizeMode { Exact, Fit, LongEdge, Percent };

struct ResizeRule {
    ResizeMode mode = ResizeMode::Exact;
    std::int32_t width = 0; // Exact: the size; Fit: the box
    std::int32_t height = 0;
    std::int32_t longEdge = 0; // LongEdge: the longer side
    std::int32_t percent = 100;
    // A picture already smaller than the result keeps its own size.
    bool shrinkOnly = false;
    // Exact with "Constrain Proportions": a size that does not follow the picture's own
    // proportions (typed for another picture) is taken as a box to fit within.
    bool keepProportions = false;
    bool operator==(const ResizeRule&) const = default;
};

// The modes as the job files and the Settings dialog name them.
struct ResizeModeRow {
    ResizeMode mode;
    QLatin1String keyword; // the job file's "resize" value
    QLatin1String label;   // the Settings dialog's mode list
};
std::span<const ResizeModeRow> resizeModes();
const ResizeModeRow& resizeModeRow(ResizeMode mode);
// The mode of a "resize" keyword, without regard to case; none for any other text.
std::optional<ResizeMode> resizeModeForKeyword(QStringView keyword);

// The largest percent a rule takes.
inline constexpr std::int32_t kPercentMaximum = 1000;

/// The side that goes with `side` when a picture of ownSide x ownOther keeps its proportions:
/// side x ownOther / ownSide, rounded to the nearest pixel (a half up) and never below 1. This
/// is the only rounding, so the result never drifts from the picture's own proportions.
/// Without a usable own size it answers `side`.
std::int64_t ProportionalSide(std::int64_t side, std::int64_t ownSide, std::int64_t ownOther);

/// The largest size within box that keeps own's proportions; the limiting side is the box's.
QSize FitWithin(QSize own, QSize box);

/// True when one side of size is own's proportional side for the other.
bool FollowsProportions(QSize own, QSize size);

/// True when the rule has what its mode needs (a box, a long edge, a percent above 0).
bool IsUsable(const ResizeRule& rule);

/// True when the rule's size depends on the picture's own size: every mode but a plain exact
/// size.
bool DependsOnPicture(const ResizeRule& rule);

/// The output size of a picture of `own` pixels (as turned) under the rule. An unusable rule
/// leaves own as it is; without an own size the modes that need its proportions take the box
/// (Exact, Fit) or a square (Long edge).
QSize ResizedSize(QSize own, const ResizeRule& rule);

/// The same for a picture of `upright` pixels that the run turns by `rotate` degrees.
QSize ResizedOutput(QSize upright, std::int32_t rotate, const ResizeRule& rule);

} // namespace pix
