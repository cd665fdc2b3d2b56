// The decisions of the "Settings" dialog, without widgets: the opening state taken from a job
// item, the two proportion rules while width or height is typed, the rules of the check boxes
// and rotation buttons, the presets, and the OK rule with what it hands back. CDlgSettings shows
// and drives one of these; most tests talk to it directly.
#pragma once

#include "jobs/applysettings.h"
#include "jobs/jobitem.h"
#include "settings/presets.h"
#include "settings/spinfield.h"

#include "jobs/outputformats.h"

#include <QSize>
#include <QString>
#include <array>
#include <vector>

namespace pix {

// The three rotation buttons by their labels. "90 degree" stands for the stored angle 270 and
// "270 degree" for 90: the run turns clockwise by the stored angle, so "90 degree" is a quarter
// turn counter-clockwise.
enum class RotationButton { None, Deg90, Deg180, Deg270 };

// The rotation button that stands for a stored angle, and the angle a button stands for.
RotationButton ButtonForAngle(std::int32_t rotate);
std::int32_t AngleForButton(RotationButton button);

// The index of a format code in the dialog's format list; 0 ("Remain Original") for none.
int FormatIndexOf(std::int32_t code);

// Text limits of the edits.
inline constexpr int kPrefixMaxLength = 50;
inline constexpr int kFolderMaxLength = 255;
// The JPEG quality unless one is chosen.
inline constexpr int kQualityDefault = 80;

// What OK does: close with a result, or stay open with a message about one edit.
struct SettingsOutcome {
    enum class Field { None, Prefix, Folder };
    Field refused = Field::None;
    QString message;
    SettingsResult result;
};

class SettingsModel {
public:
    SettingsModel();

    // The opening. item may be null (an empty job list); defaultFolder stands in for an item
    // without an output folder.
    void open(const JobItem* item, const QString& defaultFolder);

    // ---- "Output to" ----
    int formatIndex() const { return formatIndex_; }
    void chooseFormat(int index);
    bool qualityShown() const;
    const SpinField& quality() const { return quality_; }
    void editQuality(const QString& text) { quality_.setText(text); }
    void stepQuality(int steps) { quality_.step(steps); }
    const QString& folder() const { return folder_; }
    void editFolder(const QString& text) { folder_ = text; }
    // The folder the picker starts in: the edit's folder when it exists, else the home folder.
    QString pickerStart() const;
    // The picker's answer; an empty path (Cancel) leaves the edit unchanged.
    void folderPicked(const QString& path);
    bool keepFolders() const { return keepFolders_; }
    void setKeepFolders(bool checked) { keepFolders_ = checked; }

    // ---- "Resize" ----
    bool resize() const { return resize_; }
    void setResize(bool checked);
    const SpinField& width() const { return width_; }
    const SpinField& height() const { return height_; }
    void editWidth(const QString& text);
    void editHeight(const QString& text);
    void stepWidth(int steps);
    void stepHeight(int steps);
    bool constrain() const { return constrain_; }
    void setConstrain(bool checked);
    ResizeMode mode() const { return mode_; }
    void chooseMode(ResizeMode mode);
    const SpinField& longEdge() const { return longEdge_; }
    void editLongEdge(const QString& text) { longEdge_.setText(text); }
    void stepLongEdge(int steps) { longEdge_.step(steps); }
    const SpinField& percent() const { return percent_; }
    void editPercent(const QString& text) { percent_.setText(text); }
    void stepPercent(int steps) { percent_.step(steps); }
    bool shrinkOnly() const { return shrinkOnly_; }
    void setShrinkOnly(bool checked) { shrinkOnly_ = checked; }

    // ---- "Rotate" ----
    bool rotate() const { return rotate_; }
    void setRotate(bool checked);
    RotationButton checkedButton() const { return button_; }
    void clickRotationButton(RotationButton button);
    bool mirror() const { return mirror_; }
    void setMirror(bool checked) { mirror_ = checked; }

    // ---- "Rename" ----
    bool rename() const { return rename_; }
    void setRename(bool checked) { rename_ = checked; }
    const QString& prefix() const { return prefix_; }
    void editPrefix(const QString& text) { prefix_ = text; }
    const SpinField& number() const { return number_; }
    void editNumber(const QString& text) { number_.setText(text); }
    void stepNumber(int steps) { number_.step(steps); }

    // ---- "Preset" ----
    // The store the presets come from and go to; without one the dialog offers none.
    void setPresetStore(PresetStore* store);
    bool presetsOffered() const { return presets_ != nullptr; }
    QStringList presetNames() const;
    int presetIndex() const { return presetIndex_; } // -1 while none is chosen
    // One line for each stored preset that cannot be read and is left out.
    const QStringList& presetNotes() const { return presetNotes_; }
    // Fills the dialog with a preset's values.
    void choosePreset(int index);
    bool presetExists(const QString& name) const;
    // Saves the dialog's choices under the name, replacing a preset of that name. Answers why
    // not, or an empty text when it was saved.
    QString savePreset(const QString& name);
    // Deletes the chosen preset; false when the store cannot be written.
    bool deleteChosenPreset();
    // The dialog's choices as preset values, and the other way round: values that are absent
    // take the dialog's defaults, except the folder, which then stays.
    PresetValues presetValues() const;
    void applyPreset(const PresetValues& values);

    // ---- "Colour and metadata": indexes into colourChoices() and metadataChoices() ----
    int colourIndex() const { return colourIndex_; }
    void chooseColour(int index);
    int metadataIndex() const { return metadataIndex_; }
    void chooseMetadata(int index);

    // Texts an edit takes while typing (the rest is refused at the keyboard).
    static bool digitsAllowed(const QString& text);
    static bool prefixAllowed(const QString& text);
    static bool folderAllowed(const QString& text);

    // The OK rule.
    SettingsOutcome accept() const;

private:
    enum class Side { Width, Height };
    void sideChanged(Side side);
    void showSize(QSize shown);
    // True while the chosen rotation is a quarter turn.
    bool quarterTurned() const;
    // The picture's own size as the chosen rotation will turn it.
    QSize ownTurned() const;
    // The size the dialog opened with, turned as the chosen rotation turns the picture.
    QSize openShown() const;
    // Runs a change of the rotation; with a constrained exact size, a change between upright
    // and a quarter turn exchanges the sides, so the sizes stay those of the turned picture.
    void turnChanged(bool wasQuarterTurned);
    int indexOfPreset(const QString& name) const;

    JobItem item_;
    bool hasItem_ = false;

    int formatIndex_ = 0;
    SpinField quality_;
    QString folder_;
    bool keepFolders_ = false;
    bool resize_ = false;
    SpinField width_;
    SpinField height_;
    bool constrain_ = false;
    ResizeMode mode_ = ResizeMode::Exact;
    SpinField longEdge_;
    SpinField percent_;
    bool shrinkOnly_ = false;
    bool rotate_ = false;
    RotationButton button_ = RotationButton::None;
    bool mirror_ = false;
    bool rename_ = false;
    QString prefix_;
    SpinField number_;
    int colourIndex_ = 0;
    int metadataIndex_ = 0;

    // The item's output size when the dialog opened.
    std::int32_t openWidth_ = 0;
    std::int32_t openHeight_ = 0;
    // Whether the item was turned by a quarter when the dialog opened.
    bool openTurned_ = false;
    // The picture's own upright size: the measured one, else the opening size turned back.
    QSize ownUpright_;
    // The size as last seen by the change rules.
    std::int64_t lastWidth_ = -1;
    std::int64_t lastHeight_ = -1;
    bool initialising_ = true;
    bool updating_ = false;

    PresetStore* presets_ = nullptr;
    std::vector<Preset> presetList_;
    QStringList presetNotes_;
    int presetIndex_ = -1;
};

} // namespace pix
