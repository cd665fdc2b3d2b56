#include "jobs/outputnaming.h"

#include "jobs/joblist.h"
#include "jobs/outputformats.h"

namespace pix {

// At least three digits, zero-padded, the sign in front: 7 gives "007", 1234 stays "1234",
// -7 gives "-007" (as printf's "%.3d" writes them).
QString threeDigits(qint64 number) {
    const QString digits = QString::number(qAbs(number)).rightJustified(3, u'0');
    return number < 0 ? u'-' + digits : digits;
}

QString GetOutputExtension(const JobItem& item, int formatCode) {
    if (const OutputFormat* format = outputFormatForCode(formatCode))
        return format->extension;
    const QString& name = item.source.fileName;
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot + 1);
}

QString OutputFileName(const JobItem& item, const QString& name) {
    const QString extension = GetOutputExtension(item, item.output.formatCode);
    if (!item.output.prefix.isEmpty())
        return (item.output.prefix + threeDigits(item.output.startNumber) + u'.' + extension)
            .toLower();
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0)
        return name.toLower(); // a name without "." gets no extension
    return (name.left(dot) + u'.' + extension).toLower();
}

QString OutputFolder(const JobItem& item) {
    const JobOutput& out = item.output;
    if (out.keepFolders == 0 || out.relativeFolder.isEmpty())
        return out.folder;
    return joinPath(out.folder, out.relativeFolder);
}

QString BuildOutputPath(const JobItem& item, const QString& rowName) {
    const QString folder = OutputFolder(item);
    const QString name = OutputFileName(item, rowName);
    if (!item.output.prefix.isEmpty()) {
        const bool joined = folder.isEmpty() || folder.endsWith(u'/');
        return joined ? folder + name : folder + u'/' + name;
    }
    // An empty folder means the current one, as for the source, never the file-system root.
    if (folder.isEmpty())
        return name;
    // Without a prefix the folder and the name are joined by a "/" even when the folder already
    // ends in one: "out//x.jpg" names the same file as "out/x.jpg", and the path is printed in
    // the run's result lines, which scripts compare; so the rule stays as it always was.
    return folder + u'/' + name;
}

imaging::EncoderId LookUpEncoder(const QString& mimeType) {
    return imaging::findEncoderByMimeType(mimeType);
}

imaging::EncoderId ChooseEncoder(const JobItem& item) {
    const int code = item.output.formatCode;
    // Codes 4 and 6 are reserved: they write nothing, where every other unknown code keeps the
    // source's format. Job files never store them; an item can only get them by hand.
    if (code == 4 || code == 6)
        return {};
    const OutputFormat* format = outputFormatForCode(code);
    if (!format)
        format = outputFormatForExtension(GetOutputExtension(item, kFormatRemainOriginal));
    return format ? LookUpEncoder(format->mimeType) : imaging::EncoderId{};
}

std::optional<int> EncoderQuality(const JobItem& item, imaging::EncoderId encoder) {
    if (takesQuality(item.output.formatCode))
        return item.output.quality;
    // A source kept in its own format whose encoder takes a quality.
    for (const OutputFormat& format : outputFormats()) {
        if (!encoder.isNull() && takesQuality(format.code) &&
            encoder == LookUpEncoder(format.mimeType))
            return item.output.quality;
    }
    return std::nullopt;
}

} // namespace pix
