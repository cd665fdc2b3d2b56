// The Settings dialog's presets: its choices as preset values and back, and the list of presets
// the dialog offers.
#include "jobs/outputchoices.h"
#include "jobs/outputformats.h"
#include "settings/settingsmodel.h"

#include <optional>

namespace pix {

namespace {

using namespace Qt::Literals::StringLiterals;

// The last value of that name; none when the preset does not hold it.
std::optional<QString> valueOf(const PresetValues& values, QLatin1String name) {
    std::optional<QString> found;
    for (const auto& [key, value] : values) {
        if (key == name)
            found = value;
    }
    return found;
}

std::int64_t numberOf(const PresetValues& values, QLatin1String name, std::int64_t fallback) {
    const std::optional<QString> value = valueOf(values, name);
    return value ? ReadLeadingNumber(*value) : fallback;
}

void add(PresetValues& values, QLatin1String name, const QString& value) {
    values.append({QString(name), value});
}

void add(PresetValues& values, QLatin1String name, std::int64_t number) {
    add(values, name, QString::number(number));
}

} // namespace

void SettingsModel::setPresetStore(PresetStore* store) {
    presets_ = store;
    presetList_.clear();
    presetNotes_.clear();
    if (store) {
        PresetStore::Listing listing = store->list();
        presetList_ = std::move(listing.presets);
        presetNotes_ = std::move(listing.notes);
    }
    presetIndex_ = -1;
}

QStringList SettingsModel::presetNames() const {
    QStringList names;
    for (const Preset& preset : presetList_)
        names << preset.name;
    return names;
}

void SettingsModel::choosePreset(int index) {
    if (index < 0 || index >= int(presetList_.size()))
        return;
    applyPreset(presetList_[std::size_t(index)].values);
    presetIndex_ = index;
}

int SettingsModel::indexOfPreset(const QString& name) const {
    for (std::size_t i = 0; i < presetList_.size(); ++i) {
        if (QString::compare(presetList_[i].name, name, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

bool SettingsModel::presetExists(const QString& name) const {
    return indexOfPreset(name) >= 0;
}

QString SettingsModel::savePreset(const QString& name) {
    if (!presets_)
        return u"No presets can be kept."_s;
    if (name.trimmed().isEmpty())
        return u"Please enter a name for the preset."_s;
    if (name.size() > kPresetNameMaxLength)
        return u"Please enter no more than %1 characters."_s.arg(kPresetNameMaxLength);
    const SettingsOutcome outcome = accept();
    if (outcome.refused != SettingsOutcome::Field::None)
        return outcome.message;
    if (!presets_->save({name, presetValues()}))
        return u"The preset cannot be saved: the settings file cannot be written."_s;
    setPresetStore(presets_);
    presetIndex_ = indexOfPreset(name);
    return {};
}

bool SettingsModel::deleteChosenPreset() {
    if (!presets_ || presetIndex_ < 0)
        return false;
    if (!presets_->remove(presetList_[std::size_t(presetIndex_)].name))
        return false;
    setPresetStore(presets_);
    return true;
}

PresetValues SettingsModel::presetValues() const {
    const SettingsResult r = accept().result;
    PresetValues values;
    if (const OutputFormat* format = outputFormatForCode(r.formatCode))
        add(values, "outputformat"_L1, QString(format->keyword));
    if (takesQuality(r.formatCode))
        add(values, "quality"_L1, r.quality);
    add(values, "outputfolder"_L1, r.outputFolder);
    if (r.keepFolders != 0)
        add(values, "keepfolders"_L1, 1);
    if (resize_) {
        add(values, "resize"_L1, QString(resizeModeRow(mode_).keyword));
        if (mode_ == ResizeMode::Exact || mode_ == ResizeMode::Fit) {
            add(values, "width"_L1, r.width);
            add(values, "height"_L1, r.height);
        }
        if (mode_ == ResizeMode::Exact)
            add(values, "constrain"_L1, constrain_ ? 1 : 0);
        if (mode_ == ResizeMode::LongEdge)
            add(values, "size"_L1, longEdge_.position());
        if (mode_ == ResizeMode::Percent)
            add(values, "percent"_L1, percent_.position());
        if (shrinkOnly_)
            add(values, "shrinkonly"_L1, 1);
    }
    if (r.rotate != 0)
        add(values, "rotate"_L1, r.rotate);
    if (r.mirror != 0)
        add(values, "mirror"_L1, 1);
    if (!r.prefix.isEmpty())
        add(values, "prefix"_L1, r.prefix);
    if (r.numberFrom != 0)
        add(values, "startnumber"_L1, r.numberFrom);
    // The defaults (keep) are left out, as absent values take them.
    if (colourIndex_ != 0)
        add(values, "colour"_L1, QString(colourChoices()[std::size_t(colourIndex_)].keyword));
    if (metadataIndex_ != 0)
        add(values, "metadata"_L1, QString(metadataChoices()[std::size_t(metadataIndex_)].keyword));
    return values;
}

void SettingsModel::applyPreset(const PresetValues& values) {
    formatIndex_ = 0;
    if (const std::optional<QString> keyword = valueOf(values, "outputformat"_L1)) {
        if (const OutputFormat* format = outputFormatForKeyword(*keyword))
            formatIndex_ = FormatIndexOf(format->code);
    }
    quality_.setPosition(numberOf(values, "quality"_L1, kQualityDefault));
    if (const std::optional<QString> folder = valueOf(values, "outputfolder"_L1))
        folder_ = *folder;
    keepFolders_ = numberOf(values, "keepfolders"_L1, 0) > 0;

    // The turn first: the sizes are those of the picture as it will be turned.
    const std::int64_t angle = numberOf(values, "rotate"_L1, 0);
    mirror_ = numberOf(values, "mirror"_L1, 0) > 0;
    rotate_ = angle != 0 || mirror_;
    button_ = ButtonForAngle(std::int32_t(angle));

    const std::optional<QString> keyword = valueOf(values, "resize"_L1);
    const std::optional<ResizeMode> mode =
        keyword ? resizeModeForKeyword(*keyword) : std::optional<ResizeMode>();
    resize_ = mode.has_value();
    mode_ = mode.value_or(ResizeMode::Exact);
    constrain_ = mode_ != ResizeMode::Exact || !resize_ || numberOf(values, "constrain"_L1, 0) > 0;
    shrinkOnly_ = resize_ && numberOf(values, "shrinkonly"_L1, 0) > 0;
    const QSize shown = openShown();
    updating_ = true;
    width_.setPosition(resize_ ? numberOf(values, "width"_L1, shown.width()) : shown.width());
    height_.setPosition(resize_ ? numberOf(values, "height"_L1, shown.height()) : shown.height());
    lastWidth_ = width_.position();
    lastHeight_ = height_.position();
    longEdge_.setPosition(numberOf(values, "size"_L1, std::max(shown.width(), shown.height())));
    percent_.setPosition(numberOf(values, "percent"_L1, 100));
    updating_ = false;

    prefix_ = valueOf(values, "prefix"_L1).value_or(QString());
    number_.setPosition(numberOf(values, "startnumber"_L1, 0));
    rename_ = !prefix_.isEmpty() || number_.position() > 0;

    const std::optional<QString> colour = valueOf(values, "colour"_L1);
    colourIndex_ = choiceIndex(
        colourChoices(),
        colourForKeyword(colour.value_or(QString())).value_or(ColourChoice::KeepProfile));
    const std::optional<QString> metadata = valueOf(values, "metadata"_L1);
    metadataIndex_ = choiceIndex(
        metadataChoices(),
        metadataForKeyword(metadata.value_or(QString())).value_or(MetadataChoice::KeepAll));
}

} // namespace pix
