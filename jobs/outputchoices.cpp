#include "jobs/outputchoices.h"

#include <algorithm>

namespace pix {

namespace {

const ChoiceRow<ColourChoice> kColour[] = {
    {ColourChoice::KeepProfile, QLatin1String("keep"), QLatin1String("Keep profile"),
     QLatin1String()},
    {ColourChoice::ConvertToSrgb, QLatin1String("srgb"), QLatin1String("Convert to sRGB"),
     QLatin1String("sRGB")},
};

const ChoiceRow<MetadataChoice> kMetadata[] = {
    {MetadataChoice::KeepAll, QLatin1String("keep"), QLatin1String("Keep all"), QLatin1String()},
    {MetadataChoice::RemoveLocation, QLatin1String("nolocation"), QLatin1String("Remove location"),
     QLatin1String("no location")},
    {MetadataChoice::RemoveAll, QLatin1String("strip"), QLatin1String("Remove all"),
     QLatin1String("no metadata")},
};

template <typename Choice>
std::optional<Choice> forKeyword(std::span<const ChoiceRow<Choice>> rows, QStringView keyword) {
    const auto it = std::find_if(rows.begin(), rows.end(), [&](const ChoiceRow<Choice>& row) {
        return keyword.compare(row.keyword, Qt::CaseInsensitive) == 0;
    });
    return it == rows.end() ? std::nullopt : std::optional<Choice>(it->value);
}

template <typename Choice>
QLatin1String remarkOf(std::span<const ChoiceRow<Choice>> rows, Choice choice) {
    const auto it = std::find_if(rows.begin(), rows.end(),
                                 [&](const ChoiceRow<Choice>& row) { return row.value == choice; });
    return it == rows.end() ? QLatin1String() : it->remark;
}

} // namespace

std::span<const ChoiceRow<ColourChoice>> colourChoices() {
    return kColour;
}

std::span<const ChoiceRow<MetadataChoice>> metadataChoices() {
    return kMetadata;
}

std::optional<ColourChoice> colourForKeyword(QStringView keyword) {
    return forKeyword(colourChoices(), keyword);
}

std::optional<MetadataChoice> metadataForKeyword(QStringView keyword) {
    return forKeyword(metadataChoices(), keyword);
}

QLatin1String colourRemark(ColourChoice choice) {
    return remarkOf(colourChoices(), choice);
}

QLatin1String metadataRemark(MetadataChoice choice) {
    return remarkOf(metadataChoices(), choice);
}

} // namespace pix
