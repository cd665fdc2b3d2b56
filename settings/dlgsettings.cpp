#include "settings/dlgsettings.h"

#include "jobs/userprompt.h"
#include "settings/defaultfolder.h"
#include "settings/dialogparts.h"
#include "settings/dlgsettingscontrols.h"
#include "settings/spinedit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>

namespace pix {

namespace {

const QString kPickerTitle = QStringLiteral("Please select a folder");

void showEditText(QLineEdit* edit, const QString& text) {
    if (edit->text() != text)
        edit->setText(text);
}

int modeIndex(ResizeMode mode) {
    const auto modes = resizeModes();
    for (std::size_t i = 0; i < modes.size(); ++i) {
        if (modes[i].mode == mode)
            return int(i);
    }
    return 0;
}

// The size page each mode shows, in the order of resizeModes(): width and height for an exact
// size and for the box to fit within, then the long edge, then the percent.
constexpr int kPageOfMode[] = {0, 0, 1, 2};

} // namespace

CDlgSettings::CDlgSettings(const JobItem* jobItem, QWidget* parent, UserPrompt* prompt,
                           PresetStore* presets)
    : QDialog(parent), prompt_(prompt), c_(std::make_unique<Controls>()) {
    setWindowTitle(QStringLiteral("Settings"));
    picker_ = [](QWidget* owner, const QString& title, const QString& start) {
        return QFileDialog::getExistingDirectory(owner, title, start);
    };
    asker_ = [](QWidget* owner, const QString& suggested) {
        bool ok = false;
        const QString name = QInputDialog::getText(owner, QStringLiteral("Save Preset"),
                                                   QStringLiteral("Preset name:"),
                                                   QLineEdit::Normal, suggested, &ok);
        return ok ? name : QString();
    };
    buildSettingsControls(*this, *c_);
    c_->prefix->setValidator(new RuleValidator(&SettingsModel::prefixAllowed, c_->prefix));
    c_->folder->setValidator(new RuleValidator(&SettingsModel::folderAllowed, c_->folder));
    model_.open(jobItem, DefaultOutputFolder());
    model_.setPresetStore(presets);
    refresh();
    connectControls();
}

CDlgSettings::~CDlgSettings() = default;

void CDlgSettings::change(const std::function<void()>& step) {
    step();
    refresh();
}

void CDlgSettings::connectControls() {
    Controls& c = *c_;
    SettingsModel& m = model_;
    connect(c.format, &QComboBox::activated, this,
            [this, &m](int index) { change([&] { m.chooseFormat(index); }); });
    c.quality->setEditHandler([this, &m](const QString& t) { change([&] { m.editQuality(t); }); });
    c.quality->setStepHandler([this, &m](int n) { change([&] { m.stepQuality(n); }); });
    connect(c.folder, &QLineEdit::textEdited, this, [&m](const QString& t) { m.editFolder(t); });
    connect(c.browse, &QPushButton::clicked, this, [this] { pickFolder(); });
    connect(c.keepFolders, &QCheckBox::toggled, this, [this, &m](bool on) {
        if (on != m.keepFolders())
            change([&] { m.setKeepFolders(on); });
    });

    // Checkable controls follow `toggled`, not `clicked`: an assistive technology's Toggle
    // changes the state without a click. The model decides; the state it shows afterwards
    // toggles nothing further, as it then equals the model's.
    connect(c.resize, &QGroupBox::toggled, this, [this, &m](bool on) {
        if (on != m.resize())
            change([&] { m.setResize(on); });
    });
    c.width->setEditHandler([this, &m](const QString& t) { change([&] { m.editWidth(t); }); });
    c.width->setStepHandler([this, &m](int n) { change([&] { m.stepWidth(n); }); });
    c.height->setEditHandler([this, &m](const QString& t) { change([&] { m.editHeight(t); }); });
    c.height->setStepHandler([this, &m](int n) { change([&] { m.stepHeight(n); }); });
    connect(c.constrain, &QCheckBox::toggled, this, [this, &m](bool on) {
        if (on != m.constrain())
            change([&] { m.setConstrain(on); });
    });
    connect(c.mode, &QComboBox::activated, this, [this, &m](int index) {
        if (index >= 0 && index < int(resizeModes().size()))
            change([&] { m.chooseMode(resizeModes()[std::size_t(index)].mode); });
    });
    c.longEdge->setEditHandler(
        [this, &m](const QString& t) { change([&] { m.editLongEdge(t); }); });
    c.longEdge->setStepHandler([this, &m](int n) { change([&] { m.stepLongEdge(n); }); });
    c.percent->setEditHandler([this, &m](const QString& t) { change([&] { m.editPercent(t); }); });
    c.percent->setStepHandler([this, &m](int n) { change([&] { m.stepPercent(n); }); });
    connect(c.shrinkOnly, &QCheckBox::toggled, this, [this, &m](bool on) {
        if (on != m.shrinkOnly())
            change([&] { m.setShrinkOnly(on); });
    });

    connect(c.rotate, &QGroupBox::toggled, this, [this, &m](bool on) {
        if (on != m.rotate())
            change([&] { m.setRotate(on); });
    });
    const std::pair<QRadioButton*, RotationButton> buttons[] = {{c.deg90, RotationButton::Deg90},
                                                                {c.deg180, RotationButton::Deg180},
                                                                {c.deg270, RotationButton::Deg270}};
    for (const auto& [radio, button] : buttons) {
        const RotationButton which = button; // clang 14 cannot capture a structured binding
        connect(radio, &QRadioButton::toggled, this, [this, &m, which](bool on) {
            if (on != (m.checkedButton() == which))
                change([&] { m.clickRotationButton(which); });
        });
    }
    connect(c.mirror, &QCheckBox::toggled, this, [this, &m](bool on) {
        if (on != m.mirror())
            change([&] { m.setMirror(on); });
    });

    connect(c.rename, &QGroupBox::toggled, this, [this, &m](bool on) {
        if (on != m.rename())
            change([&] { m.setRename(on); });
    });
    connect(c.prefix, &QLineEdit::textEdited, this, [&m](const QString& t) { m.editPrefix(t); });
    c.number->setEditHandler([this, &m](const QString& t) { change([&] { m.editNumber(t); }); });
    c.number->setStepHandler([this, &m](int n) { change([&] { m.stepNumber(n); }); });

    // Any change of the lists counts, by keyboard, mouse or an assistive technology.
    connect(c.colour, &QComboBox::currentIndexChanged, this, [this, &m](int index) {
        if (index != m.colourIndex())
            change([&] { m.chooseColour(index); });
    });
    connect(c.metadata, &QComboBox::currentIndexChanged, this, [this, &m](int index) {
        if (index != m.metadataIndex())
            change([&] { m.chooseMetadata(index); });
    });

    connect(c.preset, &QComboBox::activated, this,
            [this, &m](int index) { change([&] { m.choosePreset(index); }); });
    connect(c.savePreset, &QPushButton::clicked, this, [this] { savePreset(); });
    connect(c.deletePreset, &QPushButton::clicked, this, [this] { deletePreset(); });
}

void CDlgSettings::showMessage(const QString& text) {
    const QString caption = QStringLiteral("Pixovia");
    if (prompt_)
        prompt_->showMessage(text, caption, MessageIcon::Exclamation);
    else
        QMessageBox::warning(this, caption, text);
}

bool CDlgSettings::askYes(const QString& question) {
    if (prompt_)
        return prompt_->askYesNo(question, MessageIcon::Question, this) == Answer::Yes;
    return QMessageBox::question(this, QStringLiteral("Pixovia"), question) == QMessageBox::Yes;
}

void CDlgSettings::savePreset() {
    const QStringList names = model_.presetNames();
    const QString name = asker_(this, names.value(model_.presetIndex()));
    if (name.isEmpty())
        return;
    if (model_.presetExists(name) &&
        !askYes(QStringLiteral("A preset named \"%1\" already exists.\nWould you like to "
                               "replace it?")
                    .arg(name)))
        return;
    const QString why = model_.savePreset(name);
    refresh();
    if (!why.isEmpty())
        showMessage(why);
}

void CDlgSettings::deletePreset() {
    const QString name = model_.presetNames().value(model_.presetIndex());
    if (name.isEmpty() ||
        !askYes(QStringLiteral("Would you like to delete the preset \"%1\"?").arg(name)))
        return;
    const bool deleted = model_.deleteChosenPreset();
    refresh();
    if (!deleted)
        showMessage(QStringLiteral("The preset cannot be deleted: the settings file cannot be "
                                   "written."));
}

void CDlgSettings::pickFolder() {
    const QString path = picker_(this, kPickerTitle, model_.pickerStart());
    change([&] { model_.folderPicked(path); });
}

void CDlgSettings::refresh() {
    Controls& c = *c_;
    const SettingsModel& m = model_;
    c.format->setCurrentIndex(m.formatIndex());
    const bool quality = m.qualityShown();
    c.qualityLabel->setVisible(quality);
    c.quality->setVisible(quality);
    c.quality->setEnabled(quality);
    c.qualityRange->setVisible(quality);
    c.quality->showText(m.quality().text());
    showEditText(c.folder, m.folder());
    c.keepFolders->setChecked(m.keepFolders());

    // A checkable group enables its controls exactly while it is checked.
    c.resize->setChecked(m.resize());
    const int mode = modeIndex(m.mode());
    c.mode->setCurrentIndex(mode);
    for (std::size_t page = 0; page < c.sizePages.size(); ++page) {
        for (QWidget* part : c.sizePages[page])
            part->setVisible(int(page) == kPageOfMode[std::size_t(mode)]);
    }
    c.width->showText(m.width().text());
    c.height->showText(m.height().text());
    c.constrain->setChecked(m.constrain());
    // "Fit within" keeps the proportions by itself.
    c.constrain->setEnabled(m.resize() && m.mode() == ResizeMode::Exact);
    c.longEdge->showText(m.longEdge().text());
    c.percent->showText(m.percent().text());
    c.shrinkOnly->setChecked(m.shrinkOnly());

    c.rotate->setChecked(m.rotate());
    setClearableChecked(c.deg90, m.checkedButton() == RotationButton::Deg90);
    setClearableChecked(c.deg180, m.checkedButton() == RotationButton::Deg180);
    setClearableChecked(c.deg270, m.checkedButton() == RotationButton::Deg270);
    c.mirror->setChecked(m.mirror());

    c.rename->setChecked(m.rename());
    showEditText(c.prefix, m.prefix());
    c.number->showText(m.number().text());

    c.colour->setCurrentIndex(m.colourIndex());
    c.metadata->setCurrentIndex(m.metadataIndex());

    const QStringList names = m.presetNames();
    QStringList shown;
    for (int i = 0; i < c.preset->count(); ++i)
        shown << c.preset->itemText(i);
    if (shown != names) {
        c.preset->clear();
        c.preset->addItems(names);
    }
    c.preset->setCurrentIndex(m.presetIndex());
    c.preset->setEnabled(m.presetsOffered());
    c.savePreset->setEnabled(m.presetsOffered());
    c.deletePreset->setEnabled(m.presetIndex() >= 0);
    c.presetNotes->setText(m.presetNotes().join(u'\n'));
    c.presetNotes->setVisible(!m.presetNotes().isEmpty());
}

void CDlgSettings::accept() {
    const SettingsOutcome outcome = model_.accept();
    if (outcome.refused != SettingsOutcome::Field::None) {
        showMessage(outcome.message);
        QLineEdit* edit =
            outcome.refused == SettingsOutcome::Field::Prefix ? c_->prefix : c_->folder;
        edit->setFocus(Qt::OtherFocusReason);
        edit->selectAll();
        return;
    }
    result_ = outcome.result;
    QDialog::accept();
}

} // namespace pix
