#include "jobs/applysettings.h"

#include "jobs/outputnaming.h"
#include "jobs/quarterturn.h"

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

} // namespace

void ApplySettings(JobItem& item, const SettingsResult& result, std::int32_t number) {
    JobOutput& out = item.output;
    out.prefix = result.prefix;
    out.startNumber = number;
    out.formatCode = result.formatCode;
    out.rotate = result.rotate;
    out.folder = result.outputFolder;
    out.mirror = result.mirror;
    out.quality = result.quality;

    QString remark = namePart(item);

    const bool sizeChanged = out.width != result.width || out.height != result.height;
    if (sizeChanged && result.resizeRequested == 1) {
        out.width = result.width;
        out.height = result.height;
        appendPart(remark, QStringLiteral("%1x%2").arg(result.width).arg(result.height));
    } else {
        ExchangeSidesForTurn(out);
    }

    if (out.rotate != 0 || out.mirror == 1) {
        QString turn;
        if (out.rotate > 0)
            turn = QStringLiteral("Rotate %1").arg(out.rotate);
        if (out.mirror != 0)
            turn += turn.isEmpty() ? QStringLiteral("Mirror") : QStringLiteral(", Mirror");
        appendPart(remark, turn);
    }
    item.remarks = remark;
}

} // namespace pix
