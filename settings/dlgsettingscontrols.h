// The controls of the "Settings" dialog, built and laid out by buildSettingsControls.
#pragma once

#include "settings/dlgsettings.h"

#include <QList>
#include <array>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace pix {

class SpinEdit;

struct CDlgSettings::Controls {
    QComboBox* format = nullptr;
    QLabel* qualityLabel = nullptr;
    SpinEdit* quality = nullptr;
    QLabel* qualityRange = nullptr;
    QLineEdit* folder = nullptr;
    QPushButton* browse = nullptr;
    QCheckBox* keepFolders = nullptr;
    QGroupBox* resize = nullptr;
    QComboBox* mode = nullptr;
    // The rows of each kind of size, shown one kind at a time: width and height (exact size and
    // fit within), long edge, percent.
    std::array<QList<QWidget*>, 3> sizePages;
    SpinEdit* width = nullptr;
    SpinEdit* height = nullptr;
    QCheckBox* constrain = nullptr;
    SpinEdit* longEdge = nullptr;
    SpinEdit* percent = nullptr;
    QCheckBox* shrinkOnly = nullptr;
    QGroupBox* rotate = nullptr;
    QRadioButton* deg90 = nullptr;
    QRadioButton* deg180 = nullptr;
    QRadioButton* deg270 = nullptr;
    QCheckBox* mirror = nullptr;
    QGroupBox* rename = nullptr;
    QLineEdit* prefix = nullptr;
    SpinEdit* number = nullptr;
    QComboBox* preset = nullptr;
    QPushButton* savePreset = nullptr;
    QPushButton* deletePreset = nullptr;
    QLabel* presetNotes = nullptr; // the stored presets that cannot be read
    QComboBox* colour = nullptr;
    QComboBox* metadata = nullptr;
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
};

// Makes the controls with their texts, accessible names, layouts and tab order inside dialog.
void buildSettingsControls(QDialog& dialog, CDlgSettings::Controls& c);

} // namespace pix
