#include "settings/settingsmodel.h"

#include "jobs/outputchoices.h"

#include "settings/proportion.h"

#include <QDir>
#include <algorithm>

namespace pix {

namespace {

// Width and height reach as far as the imaging service goes (65535 a side), so that a picture
// larger than an older 6000-pixel limit is never handed back shrunk and stretched.
constexpr int kSideMaximum = 65535;
constexpr int kNumberMaximum = 9999;
// The size shown when the dialog has no usable size to start from.
constexpr std::int32_t kFallbackWidth = 800;
constexpr std::int32_t kFallbackHeight = 600;

bool isSideways(std::int32_t rotate) {
    return rotate == 90 || rotate == 270;
}

QString tooLong(int limit) {
    return QStringLiteral("Please enter no more than %1 characters.").arg(limit);
}

} // namespace

RotationButton ButtonForAngle(std::int32_t rotate) {
    switch (rotate) {
    case 90:
        return RotationButton::Deg270;
    case 180:
        return RotationButton::Deg180;
    case 270:
        return RotationButton::Deg90;
    default:
        return RotationButton::None;
    }
}

std::int32_t AngleForButton(RotationButton button) {
    switch (button) {
    case RotationButton::Deg90:
        return 270;
    case RotationButton::Deg270:
        return 90;
    case RotationButton::Deg180:
        return 180;
    case RotationButton::None:
        break;
    }
    return 0;
}

int FormatIndexOf(std::int32_t code) {
    const auto choices = formatChoices();
    for (std::size_t i = 0; i < choices.size(); ++i) {
        if (choices[i].code == code)
            return int(i);
    }
    return 0;
}

SettingsModel::SettingsModel()
    : quality_(0, 100), width_(1, kSideMaximum), height_(1, kSideMaximum),
      longEdge_(1, kSideMaximum), percent_(1, kPercentMaximum), number_(0, kNumberMaximum) {}

void SettingsModel::open(const JobItem* item, const QString& defaultFolder) {
    *this = SettingsModel();
    quality_.setPosition(kQualityDefault);
    number_.setPosition(0);
    folder_ = defaultFolder;
    if (item) {
        item_ = *item;
        hasItem_ = true;
        const JobOutput& out = item->output;
        const ImageInfo& src = item->source;
        quality_.setPosition(out.quality);
        openWidth_ = out.width > 0 ? out.width : kFallbackWidth;
        openHeight_ = out.height > 0 ? out.height : kFallbackHeight;
        lastWidth_ = openWidth_;
        lastHeight_ = openHeight_;
        if (!out.folder.isEmpty())
            folder_ = out.folder;
        keepFolders_ = out.keepFolders != 0;
        rename_ = out.startNumber > 0 || !out.prefix.isEmpty();
        number_.setPosition(out.startNumber);
        prefix_ = out.prefix;
        const bool upright = out.width == src.width && out.height == src.height;
        const bool turned =
            isSideways(out.rotate) && out.width == src.height && out.height == src.width;
        const ResizeRule& rule = out.resize;
        if ((!upright && !turned) || rule.mode != ResizeMode::Exact || rule.shrinkOnly)
            setResize(true);
        mode_ = rule.mode;
        shrinkOnly_ = rule.shrinkOnly;
        if (rule.mode == ResizeMode::Fit && rule.width > 0 && rule.height > 0) {
            // The fields show the box, not the size this picture came out at.
            lastWidth_ = rule.width;
            lastHeight_ = rule.height;
        }
        if (rule.longEdge > 0)
            longEdge_.setPosition(rule.longEdge);
        if (rule.mode == ResizeMode::Percent)
            percent_.setPosition(rule.percent);
        if (out.formatCode != src.formatCode)
            formatIndex_ = FormatIndexOf(out.formatCode);
        colourIndex_ = choiceIndex(colourChoices(), out.colour);
        metadataIndex_ = choiceIndex(metadataChoices(), out.metadata);
        // Any non-zero mirror mirrors in the run, so it shows as "Mirror" here.
        if (out.rotate != 0 || out.mirror != 0) {
            rotate_ = true;
            button_ = ButtonForAngle(out.rotate);
            mirror_ = out.mirror != 0;
        }
    } else {
        openWidth_ = kFallbackWidth;
        openHeight_ = kFallbackHeight;
        lastWidth_ = openWidth_;
        lastHeight_ = openHeight_;
    }
    width_.setPosition(lastWidth_);
    height_.setPosition(lastHeight_);
    if (longEdge_.text().isEmpty())
        longEdge_.setPosition(std::max(openWidth_, openHeight_));
    if (percent_.text().isEmpty())
        percent_.setPosition(100);
    openTurned_ = quarterTurned();
    const bool measured = hasItem_ && item_.source.width > 0 && item_.source.height > 0;
    const QSize open(openWidth_, openHeight_);
    ownUpright_ = measured ? QSize(item_.source.width, item_.source.height)
                           : (openTurned_ ? open.transposed() : open);
    constrain_ = true;
    initialising_ = false;
}

void SettingsModel::chooseFormat(int index) {
    if (index >= 0 && index < static_cast<int>(formatChoices().size()))
        formatIndex_ = index;
}

bool SettingsModel::qualityShown() const {
    return takesQuality(formatChoices()[static_cast<std::size_t>(formatIndex_)].code);
}

QString SettingsModel::pickerStart() const {
    if (!folder_.isEmpty() && QDir(folder_).exists())
        return folder_;
    return QDir::homePath();
}

void SettingsModel::folderPicked(const QString& path) {
    if (!path.isEmpty())
        folder_ = QDir::toNativeSeparators(path);
}

void SettingsModel::setResize(bool checked) {
    resize_ = checked;
    showSize(openShown());
}

void SettingsModel::setConstrain(bool checked) {
    constrain_ = checked;
    if (checked)
        showSize(openShown());
}

void SettingsModel::chooseMode(ResizeMode mode) {
    mode_ = mode;
    if (mode != ResizeMode::Exact || !constrain_)
        return;
    // A box typed for "Fit within" need not follow the picture: the height follows the width.
    const QSize own = ownTurned();
    updating_ = true;
    height_.setPosition(OtherSide(width_.position(), own.width(), own.height()));
    lastWidth_ = width_.position();
    lastHeight_ = height_.position();
    updating_ = false;
}

bool SettingsModel::quarterTurned() const {
    return rotate_ && (button_ == RotationButton::Deg90 || button_ == RotationButton::Deg270);
}

QSize SettingsModel::ownTurned() const {
    return quarterTurned() ? ownUpright_.transposed() : ownUpright_;
}

QSize SettingsModel::openShown() const {
    const QSize open(openWidth_, openHeight_);
    return quarterTurned() == openTurned_ ? open : open.transposed();
}

// Sets both spins as the dialog does: each setting is a change of its edit, so the change
// rules run on it unless the dialog is opening or a rule is at work.
void SettingsModel::showSize(QSize shown) {
    width_.setPosition(shown.width());
    if (!initialising_ && !updating_)
        sideChanged(Side::Width);
    height_.setPosition(shown.height());
    if (!initialising_ && !updating_)
        sideChanged(Side::Height);
}

void SettingsModel::editWidth(const QString& text) {
    width_.setText(text);
    if (!initialising_ && !updating_)
        sideChanged(Side::Width);
}

void SettingsModel::editHeight(const QString& text) {
    height_.setText(text);
    if (!initialising_ && !updating_)
        sideChanged(Side::Height);
}

void SettingsModel::stepWidth(int steps) {
    width_.step(steps);
    if (!initialising_ && !updating_)
        sideChanged(Side::Width);
}

void SettingsModel::stepHeight(int steps) {
    height_.step(steps);
    if (!initialising_ && !updating_)
        sideChanged(Side::Height);
}

// The width change rule, or the height change rule with the sides exchanged.
void SettingsModel::sideChanged(Side side) {
    SpinField& mine = side == Side::Width ? width_ : height_;
    SpinField& other = side == Side::Width ? height_ : width_;
    std::int64_t& lastMine = side == Side::Width ? lastWidth_ : lastHeight_;
    std::int64_t& lastOther = side == Side::Width ? lastHeight_ : lastWidth_;

    updating_ = true;
    std::int64_t value = ReadLeadingNumber(mine.text());
    // An empty or zero side becomes 1; one beyond the range becomes the range's end, so the
    // other side is scaled from the value OK will hand back.
    if (value < 1 || value > mine.maximum()) {
        mine.setPosition(value);
        value = mine.position();
    }
    if (constrain_ && mode_ == ResizeMode::Exact && value != lastMine) {
        const QSize own = ownTurned();
        other.setPosition(side == Side::Width ? OtherSide(value, own.width(), own.height())
                                              : OtherSide(value, own.height(), own.width()));
        lastOther = other.position();
    }
    lastMine = value;
    updating_ = false;
}

void SettingsModel::setRotate(bool checked) {
    const bool wasQuarterTurned = quarterTurned();
    rotate_ = checked;
    turnChanged(wasQuarterTurned);
}

void SettingsModel::turnChanged(bool wasQuarterTurned) {
    if (!resize_ || !constrain_ || mode_ != ResizeMode::Exact ||
        wasQuarterTurned == quarterTurned())
        return;
    updating_ = true;
    const int shownWidth = width_.position();
    width_.setPosition(height_.position());
    height_.setPosition(shownWidth);
    lastWidth_ = width_.position();
    lastHeight_ = height_.position();
    updating_ = false;
}

void SettingsModel::clickRotationButton(RotationButton button) {
    if (button == RotationButton::None)
        return;
    const bool wasQuarterTurned = quarterTurned();
    button_ = button_ == button ? RotationButton::None : button;
    if (resize_) {
        turnChanged(wasQuarterTurned);
        return;
    }
    // The shown size previews the turn: exchanged while "90 degree" is checked and while
    // "180 degree" is not.
    const bool exchanged = (button == RotationButton::Deg90 && button_ == button) ||
                           (button == RotationButton::Deg180 && button_ != button);
    updating_ = true;
    width_.setPosition(exchanged ? openHeight_ : openWidth_);
    height_.setPosition(exchanged ? openWidth_ : openHeight_);
    updating_ = false;
}

bool SettingsModel::digitsAllowed(const QString& text) {
    return IsDigitsOnly(text);
}

bool SettingsModel::prefixAllowed(const QString& text) {
    // A "/" would put the renamed file into another folder.
    return text.size() <= kPrefixMaxLength && !text.contains(u'/');
}

bool SettingsModel::folderAllowed(const QString& text) {
    return text.size() <= kFolderMaxLength;
}

SettingsOutcome SettingsModel::accept() const {
    SettingsOutcome outcome;
    // The prefix counts only with "Rename"; a long one in a cleared group is dropped anyway.
    if (rename_ && prefix_.size() > kPrefixMaxLength) {
        outcome.refused = SettingsOutcome::Field::Prefix;
        outcome.message = tooLong(kPrefixMaxLength);
        return outcome;
    }
    if (folder_.size() > kFolderMaxLength) {
        outcome.refused = SettingsOutcome::Field::Folder;
        outcome.message = tooLong(kFolderMaxLength);
        return outcome;
    }

    SettingsResult& r = outcome.result;
    r.prefix = prefix_;
    r.outputFolder = folder_;
    r.keepFolders = keepFolders_ ? 1 : 0;
    r.width = openWidth_;
    r.height = openHeight_;
    const ImageInfo& src = item_.source;
    // Without a measured picture (an item from a job file) there is no own size to go back to.
    const bool ownKnown = hasItem_ && src.width > 0 && src.height > 0;
    if (resize_) {
        r.width = width_.position();
        r.height = height_.position();
        r.resizeRequested = 1;
        r.resize = ResizeRule{mode_,
                              r.width,
                              r.height,
                              longEdge_.position(),
                              percent_.position(),
                              shrinkOnly_,
                              constrain_ && mode_ == ResizeMode::Exact};
    } else if (ownKnown && (width_.position() != src.width || height_.position() != src.height)) {
        r.width = src.width;
        r.height = src.height;
        r.resizeRequested = 1;
    }
    r.formatCode = formatChoices()[static_cast<std::size_t>(formatIndex_)].code;
    r.rotate = rotate_ ? AngleForButton(button_) : 0;
    r.numberFrom = number_.position();
    if (!rename_) {
        r.prefix.clear();
        r.numberFrom = 0;
    }
    r.mirror = mirror_ ? 1 : 0;
    r.quality = takesQuality(r.formatCode) ? quality_.position() : kQualityDefault;
    r.colour = colourChoices()[std::size_t(colourIndex_)].value;
    r.metadata = metadataChoices()[std::size_t(metadataIndex_)].value;
    return outcome;
}

void SettingsModel::chooseColour(int index) {
    if (index >= 0 && std::size_t(index) < colourChoices().size())
        colourIndex_ = index;
}

void SettingsModel::chooseMetadata(int index) {
    if (index >= 0 && std::size_t(index) < metadataChoices().size())
        metadataIndex_ = index;
}

} // namespace pix
