#include "jobs/applysettings.h"

#include "jobs/outputchoices.h"
#include "jobs/outputnaming.h"
#include "jobs/quarterturn.h"

#include <QSize>
#include <utility>

namespace pix {

namespace {

// The output file name the run will write, or empty when the name stays as it is.
QString namePart(const JobItem& item) {
    if (item.output.prefix.isEmpty() && item.output.formatCode == item.source.formatCode)
        return {};
    return OutputFileName(item, item.source.fileName);
}

void appendPart(QString& remark, const QString& part) {
    if (!remark.isEmpty())
        remark += QStringLiteral(", ");
    remark += part;
}

struct Size {
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool operator==(const Size&) const = default;
};

// The picture's own (upright) size as the output of a turn: a quarter turn exchanges the sides.
Size turned(const ImageInfo& source, std::int32_t rotate) {
    return IsQuarterTurn(rotate) ? Size{source.height, source.width}
                                 : Size{source.width, source.height};
}

// The picture's own upright size; for an item whose picture was never measured (a job-file
// item that gave its size), its output size turned back upright.
QSize ownUpright(const JobItem& item, std::int32_t oldRotate) {
    if (item.source.width > 0 && item.source.height > 0)
        return {item.source.width, item.source.height};
    return TurnedSize(QSize(item.output.width, item.output.height), oldRotate);
}

// A size worked out from each item's own picture: every mode but a plain exact size.
bool fromOwnPicture(const SettingsResult& result) {
    return result.resizeRequested == 1 && IsUsable(result.resize) &&
           DependsOnPicture(result.resize);
}

// The size by the result's mode, from the item's picture as the run will turn it. An exact size
// the item already has stays: the dialog shows an item's own output size, so an OK that leaves
// it alone keeps it. The remark names every size that is not the picture's own.
std::pair<Size, bool> ruledSize(const JobItem& item, std::int32_t oldRotate,
                                const SettingsResult& result) {
    const Size current{item.output.width, item.output.height};
    const QSize upright = ownUpright(item, oldRotate);
    const QSize own = TurnedSize(upright, item.output.rotate);
    QSize size(current.width, current.height);
    if (result.resize.mode != ResizeMode::Exact || Size{result.width, result.height} != current)
        size = ResizedOutput(upright, item.output.rotate, result.resize);
    return {Size{size.width(), size.height()}, size != own};
}

// The new output size, and whether the remark describes it as a new size.
//
// Sizes in the dialog are output sizes, so an item turned by a quarter shows its own size
// exchanged. Without a chosen size the output must be the picture's own size turned by the new
// angle, however often the dialog is confirmed; exchanging the current size on every OK would
// swap the sides back on the second OK and stretch the picture.
std::pair<Size, bool> newSize(const JobItem& item, std::int32_t oldRotate,
                              const SettingsResult& result) {
    const Size current{item.output.width, item.output.height};
    const Size asked{result.width, result.height};
    const std::int32_t rotate = item.output.rotate;
    const bool ownKnown = item.source.width > 0 && item.source.height > 0;
    const bool requested = result.resizeRequested == 1 && asked.width > 0 && asked.height > 0;
    if (fromOwnPicture(result))
        return ruledSize(item, oldRotate, result);

    // The dialog hands back the picture's own size when "Resize" is off.
    if (requested && ownKnown && asked == Size{item.source.width, item.source.height}) {
        const Size own = turned(item.source, rotate);
        return {own, asked != current && own != current};
    }
    if (requested && asked != current)
        return {asked, true};
    // The size was left alone: an own size follows the turn; a chosen size (or one whose
    // picture was never measured) is exchanged when the item turns sideways, not again when
    // it already was.
    if (ownKnown && current == turned(item.source, oldRotate))
        return {turned(item.source, rotate), false};
    if (IsQuarterTurn(rotate) && !IsQuarterTurn(oldRotate))
        return {Size{current.height, current.width}, false};
    return {current, false};
}

} // namespace

void ApplySettings(JobItem& item, const SettingsResult& result, std::int32_t number) {
    JobOutput& out = item.output;
    const std::int32_t oldRotate = out.rotate;
    out.prefix = result.prefix;
    out.startNumber = number;
    out.formatCode = result.formatCode;
    out.rotate = result.rotate;
    out.folder = result.outputFolder;
    out.mirror = result.mirror;
    out.quality = result.quality;
    out.resize = result.resize;
    out.keepFolders = result.keepFolders;
    out.colour = result.colour;
    out.metadata = result.metadata;

    QString remark = namePart(item);

    const auto [size, described] = newSize(item, oldRotate, result);
    out.width = size.width;
    out.height = size.height;
    if (described)
        appendPart(remark, QStringLiteral("%1x%2").arg(size.width).arg(size.height));

    if (out.rotate != 0 || out.mirror == 1) {
        QString turn;
        if (out.rotate > 0)
            turn = QStringLiteral("Rotate %1").arg(out.rotate);
        if (out.mirror != 0)
            turn += turn.isEmpty() ? QStringLiteral("Mirror") : QStringLiteral(", Mirror");
        appendPart(remark, turn);
    }
    for (const QLatin1String choice : {colourRemark(out.colour), metadataRemark(out.metadata)})
        if (!choice.isEmpty())
            appendPart(remark, choice);
    item.remarks = remark;
}

} // namespace pix
