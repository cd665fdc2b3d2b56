// The modal dialog "Settings": the conversion settings of job items. Made with the item whose
// settings fill it (none when the job list is empty), shown with exec(); after OK, result()
// holds what the job list writes into the selected items (ApplySettings).
#pragma once

#include "jobs/applysettings.h"
#include "settings/settingsmodel.h"

#include <QDialog>
#include <functional>
#include <memory>

namespace pix {

class UserPrompt;

class CDlgSettings : public QDialog {
public:
    // Asks for a folder: the dialog as owner, the picker's title and the folder to start in.
    // Answers the chosen path, or an empty text for Cancel.
    using FolderPicker =
        std::function<QString(QWidget* owner, const QString& title, const QString& start)>;

    // Asks for a preset's name: the dialog as owner and the name to suggest. Answers the name,
    // or an empty text for Cancel.
    using NameAsker = std::function<QString(QWidget* owner, const QString& suggested)>;

    // jobItem may be null. prompt shows the refusal messages of OK and asks the presets'
    // questions; message boxes when null. presets: where presets are kept; none offers none.
    explicit CDlgSettings(const JobItem* jobItem, QWidget* parent = nullptr,
                          UserPrompt* prompt = nullptr, PresetStore* presets = nullptr);
    ~CDlgSettings() override;

    // What OK handed back; meaningful only after the dialog ended with OK.
    const SettingsResult& results() const { return result_; }
    const SettingsModel& model() const { return model_; }

    // Replaces the folder picker (QFileDialog::getExistingDirectory by default).
    void setFolderPicker(FolderPicker picker) { picker_ = std::move(picker); }
    // Replaces the name question of "Save..." (QInputDialog::getText by default).
    void setNameAsker(NameAsker asker) { asker_ = std::move(asker); }

    // The OK rule: closes with OK, or shows why not and stays open.
    void accept() override;

    struct Controls;

private:
    void connectControls();
    void pickFolder();
    void savePreset();
    void deletePreset();
    void showMessage(const QString& text);
    bool askYes(const QString& question);
    // Shows the model's state in the controls.
    void refresh();
    // Runs a change of the model and shows its outcome.
    void change(const std::function<void()>& step);

    SettingsModel model_;
    SettingsResult result_;
    UserPrompt* prompt_;
    FolderPicker picker_;
    NameAsker asker_;
    std::unique_ptr<Controls> c_;
};

} // namespace pix
