#include "jobfile/entryattributes.h"

#include "jobs/outputchoices.h"
#include "jobs/outputformats.h"

#include <algorithm>
#include <limits>

namespace pix {

namespace {

// An entry while its attributes are read: the format stays open until the name is known.
struct RawEntry {
    EntrySettings settings;
    std::optional<std::int32_t> format;
    QString formatText; // the last "outputformat" and "rotate" as written
    QString rotateText;
    QString resizeText; // the last "resize", "size" and "percent" as written
    QString sizeText;
    QString percentText;
    QString colourText; // the "colour" and "metadata" values not understood
    QString metadataText;
};

ResizeRule& rule(RawEntry& entry) {
    return entry.settings.item.output.resize;
}

JobOutput& out(RawEntry& entry) {
    return entry.settings.item.output;
}

using Store = void (*)(RawEntry&, const QString&);

// Every attribute an entry knows, with what it sets. An attribute that is absent leaves the
// item's default (quality 80, everything else 0 or empty). An unknown "outputformat" keyword
// leaves the format to the name again, even after a known one.

struct AttributeRule {
    QLatin1String name;
    Store store;
};

const AttributeRule kAttributeRules[] = {
    {QLatin1String("path"),
     [](RawEntry& e, const QString& v) { e.settings.item.source.folder = v; }},
    {QLatin1String("name"), [](RawEntry& e, const QString& v) { out(e).fileName = v; }},
    {QLatin1String("outputfolder"), [](RawEntry& e, const QString& v) { out(e).folder = v; }},
    {QLatin1String("width"), [](RawEntry& e, const QString& v) { out(e).width = atoiValue(v); }},
    {QLatin1String("height"), [](RawEntry& e, const QString& v) { out(e).height = atoiValue(v); }},
    {QLatin1String("outputformat"),
     [](RawEntry& e, const QString& v) {
         e.format = formatFromKeyword(v);
         e.formatText = v;
     }},
    {QLatin1String("quality"),
     [](RawEntry& e, const QString& v) { out(e).quality = atoiValue(v); }},
    {QLatin1String("rotate"),
     [](RawEntry& e, const QString& v) {
         out(e).rotate = atoiValue(v);
         e.rotateText = v;
     }},
    {QLatin1String("mirror"),
     [](RawEntry& e, const QString& v) { out(e).mirror = atoiValue(v) > 0 ? 1 : 0; }},
    {QLatin1String("overwrite"),
     [](RawEntry& e, const QString& v) { out(e).overwrite = atoiValue(v); }},
    {QLatin1String("prefix"), [](RawEntry& e, const QString& v) { out(e).prefix = v; }},
    {QLatin1String("startnumber"),
     [](RawEntry& e, const QString& v) { out(e).startNumber = atoiValue(v); }},
    {QLatin1String("includesubfolders"),
     [](RawEntry& e, const QString& v) { out(e).includeSubfolders = atoiValue(v); }},
    {QLatin1String("filter"), [](RawEntry& e, const QString& v) { e.settings.filter = v; }},
    {QLatin1String("resize"), [](RawEntry& e, const QString& v) { e.resizeText = v; }},
    {QLatin1String("size"),
     [](RawEntry& e, const QString& v) {
         rule(e).longEdge = atoiValue(v);
         e.sizeText = v;
     }},
    {QLatin1String("percent"),
     [](RawEntry& e, const QString& v) {
         rule(e).percent = atoiValue(v);
         e.percentText = v;
     }},
    {QLatin1String("shrinkonly"),
     [](RawEntry& e, const QString& v) { rule(e).shrinkOnly = atoiValue(v) > 0; }},
    {QLatin1String("keepfolders"),
     [](RawEntry& e, const QString& v) { out(e).keepFolders = atoiValue(v) > 0 ? 1 : 0; }},
    {QLatin1String("constrain"),
     [](RawEntry& e, const QString& v) { rule(e).keepProportions = atoiValue(v) > 0; }},
    {QLatin1String("colour"),
     [](RawEntry& e, const QString& v) {
         const std::optional<ColourChoice> choice = colourForKeyword(v);
         out(e).colour = choice.value_or(ColourChoice::KeepProfile);
         e.colourText = choice ? QString() : v;
     }},
    {QLatin1String("metadata"),
     [](RawEntry& e, const QString& v) {
         const std::optional<MetadataChoice> choice = metadataForKeyword(v);
         out(e).metadata = choice.value_or(MetadataChoice::KeepAll);
         e.metadataText = choice ? QString() : v;
     }},
};

const AttributeRule* findRule(const QString& name) {
    const auto* found = std::find_if(std::begin(kAttributeRules), std::end(kAttributeRules),
                                     [&name](const AttributeRule& rule) {
                                         return name.compare(rule.name, Qt::CaseInsensitive) == 0;
                                     });
    return found != std::end(kAttributeRules) ? found : nullptr;
}

// The root "/" keeps its separator: without it the path would name the current folder.
QString withoutTrailingSeparator(const QString& folder) {
    if (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        return folder.chopped(1);
    return folder;
}

// Why the resize values cannot be used, or nothing when they can.
QString resizeProblem(const RawEntry& entry, ResizeMode mode) {
    const JobOutput& out = entry.settings.item.output;
    switch (mode) {
    case ResizeMode::Exact:
        break;
    case ResizeMode::Fit:
        if (out.width <= 0 || out.height <= 0)
            return QStringLiteral("resize \"fit\" needs a width and a height above 0");
        break;
    case ResizeMode::LongEdge:
        if (entry.sizeText.isEmpty())
            return QStringLiteral("resize \"long\" needs a size");
        if (out.resize.longEdge <= 0)
            return QStringLiteral("size \"%1\" is not above 0").arg(entry.sizeText);
        break;
    case ResizeMode::Percent:
        if (entry.percentText.isEmpty())
            return QStringLiteral("resize \"percent\" needs a percent");
        if (out.resize.percent <= 0 || out.resize.percent > kPercentMaximum)
            return QStringLiteral("percent \"%1\" is not 1 to %2")
                .arg(entry.percentText)
                .arg(kPercentMaximum);
        break;
    }
    return {};
}

// The resize mode and its values. Values that cannot be used leave the picture its own size,
// with a note; a value meant for another mode is noted and ignored.
void completeResize(RawEntry& entry, QStringList& notes) {
    JobOutput& out = entry.settings.item.output;
    std::optional<ResizeMode> mode = ResizeMode::Exact;
    if (!entry.resizeText.isEmpty())
        mode = resizeModeForKeyword(entry.resizeText);
    QString problem = mode ? resizeProblem(entry, *mode)
                           : QStringLiteral("resize \"%1\" is not exact, fit, long or percent")
                                 .arg(entry.resizeText);
    if (!problem.isEmpty()) {
        notes << problem + QStringLiteral("; the picture keeps its size");
        out.width = 0;
        out.height = 0;
        out.resize = ResizeRule();
        return;
    }
    if (!entry.sizeText.isEmpty() && mode != ResizeMode::LongEdge)
        notes << QStringLiteral("size is used only with resize=\"long\"; it is ignored");
    if (!entry.percentText.isEmpty() && mode != ResizeMode::Percent)
        notes << QStringLiteral("percent is used only with resize=\"percent\"; it is ignored");
    out.resize.mode = *mode;
    if (mode == ResizeMode::Fit) {
        out.resize.width = out.width;
        out.resize.height = out.height;
    }
}

void completeEntry(RawEntry& entry) {
    JobItem& item = entry.settings.item;
    item.source.folder = withoutTrailingSeparator(item.source.folder);
    item.output.folder = item.output.folder.isEmpty()
                             ? item.source.folder
                             : withoutTrailingSeparator(item.output.folder);
    item.output.formatCode = entry.format.value_or(formatFromName(item.output.fileName));

    // Values read as defaults are not errors, but the author learns why the output differs.
    QStringList& notes = entry.settings.unrecognised;
    if (!entry.formatText.isEmpty() && !entry.format)
        notes << QStringLiteral("outputformat \"%1\" is not bmp, jpg, gif, png, tif, webp, avif "
                                "or jxl; the format follows the file name")
                     .arg(entry.formatText);
    const std::int32_t rotate = item.output.rotate;
    if (rotate != 0 && rotate != 90 && rotate != 180 && rotate != 270)
        notes << QStringLiteral("rotate \"%1\" is not 0, 90, 180 or 270; the picture is not "
                                "turned")
                     .arg(entry.rotateText);
    completeResize(entry, notes);
    if (!entry.colourText.isEmpty())
        notes << QStringLiteral("colour \"%1\" is not keep or srgb; the colour profile is kept")
                     .arg(entry.colourText);
    if (!entry.metadataText.isEmpty())
        notes << QStringLiteral("metadata \"%1\" is not keep, nolocation or strip; the metadata "
                                "is kept")
                     .arg(entry.metadataText);
}

bool isCBlank(QChar c) {
    return c == QLatin1Char(' ') || (c.unicode() >= '\t' && c.unicode() <= '\r');
}

bool isDigit(QChar c) {
    return c.unicode() >= '0' && c.unicode() <= '9';
}

} // namespace

EntrySettings readEntryAttributes(const pugi::xml_node& element, const AttributeList& preset) {
    RawEntry entry;
    const auto store = [&entry](const QString& name, const QString& value) {
        if (value.isEmpty())
            return;
        if (const AttributeRule* rule = findRule(name))
            rule->store(entry, value);
    };
    for (const auto& [name, value] : preset)
        store(name, value);
    for (const pugi::xml_attribute& attribute : element.attributes())
        store(QString::fromUtf8(attribute.name()), QString::fromUtf8(attribute.value()));
    completeEntry(entry);
    return std::move(entry.settings);
}

QString presetNameOf(const pugi::xml_node& element) {
    QString name;
    for (const pugi::xml_attribute& attribute : element.attributes()) {
        if (QString::fromUtf8(attribute.name())
                    .compare(QLatin1String("preset"), Qt::CaseInsensitive) == 0 &&
            *attribute.value() != '\0')
            name = QString::fromUtf8(attribute.value());
    }
    return name;
}

std::int32_t atoiValue(QStringView text) {
    // Up to one past the largest int: enough to tell every saturated value, and no overflow.
    constexpr std::int64_t kCap = std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1;
    qsizetype i = 0;
    while (i < text.size() && isCBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        negative = text[i++] == QLatin1Char('-');
    std::int64_t magnitude = 0;
    for (; i < text.size() && isDigit(text[i]); ++i)
        magnitude = std::min(magnitude * 10 + (text[i].unicode() - '0'), kCap);
    if (negative)
        return std::int32_t(-magnitude);
    return std::int32_t(std::min(magnitude, kCap - 1));
}

std::optional<std::int32_t> formatFromKeyword(QStringView keyword) {
    // Each format's own keyword and the spellings people type ("jpeg", "tiff"), not every
    // extension ("jpe" is none); "bmp" among them means that asking for Bitmap always gives
    // Bitmap, whatever the name says.
    if (const OutputFormat* format = outputFormatForKeyword(keyword))
        return format->code;
    return std::nullopt;
}

std::int32_t formatFromName(const QString& name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return kFormatBitmap;
    return formatFromKeyword(QStringView(name).mid(dot + 1)).value_or(kFormatBitmap);
}

} // namespace pix
