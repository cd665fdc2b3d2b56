// The graphics objects a metafile creates, and the table that holds them by index.
#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QRegion>
#include <QString>
#include <QTransform>
#include <cstdint>
#include <functional>
#include <optional>
#include <queue>
#include <utility>
#include <variant>
#include <vector>

namespace pix::wmf {

// A COLORREF: red, green and blue bytes, then a flag byte that is ignored.
QColor colorRef(std::uint32_t value);

struct Pen {
    int style = 0; // PenStyle: line style, end cap and join bits
    int width = 0; // logical units; 0 is one device pixel
    QColor color = Qt::black;
};

struct Brush {
    int style = 0; // BrushStyle
    QColor color = Qt::white;
    int hatch = 0;
    QImage pattern;           // pattern brushes only
    bool monoPattern = false; // drawn in the text and background colours
};

struct Font {
    int height = 0;     // negative: character height; positive: cell height; 0: default
    int width = 0;      // average character width, 0 for the natural width
    int escapement = 0; // tenths of a degree, counter-clockwise
    int weight = 0;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    int charset = 0;
    int pitchAndFamily = 0;
    QString face;
};

// A region as rectangles in logical units. Regions and clip regions are kept to a few
// thousand rectangles: beyond that their outline stands in for them, so that no file can make
// each clipping step cost more than that.
struct Region {
    std::vector<QRect> rects;
    // The region in target pixels, with the transform it was mapped by: selecting the same
    // region again costs nothing.
    mutable std::optional<std::pair<QTransform, QRegion>> pixels;
};
constexpr std::size_t MaxRegionRects = 4096;

// Palettes are kept only so that they take their slot in the table.
struct Palette {};

using GdiObject = std::variant<Pen, Brush, Font, Region, Palette>;

// Objects live at indices: a new object takes the lowest free index, a deleted one frees it.
// The table grows as objects are created (so a wrong object count in the header does no harm)
// up to the largest index a record can name.
class ObjectTable {
public:
    // Answers the index taken, or nothing when every index is in use.
    std::optional<int> add(GdiObject object);
    void remove(int index);
    // Null for an index that holds no object.
    const GdiObject* find(int index) const;

private:
    std::vector<std::optional<GdiObject>> slots_;
    // Freed indices below slots_.size(), smallest on top.
    std::priority_queue<int, std::vector<int>, std::greater<int>> free_;
};

} // namespace pix::wmf
