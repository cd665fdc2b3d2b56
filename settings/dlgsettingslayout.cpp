// The controls of the "Settings" dialog and their arrangement: "Output to" across the top,
// "Resize" and "Rotate" side by side below it, "Rename" under them, then "Colour and metadata",
// the presets, OK and Cancel last. Each group is built by a function of its own.
#include "jobs/outputchoices.h"
#include "settings/dialogparts.h"
#include "settings/dlgsettingscontrols.h"
#include "settings/spinedit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace pix {

namespace {

QLabel* labelFor(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    nameControl(buddy, text);
    return label;
}

SpinEdit* spinEdit(int digits) {
    auto* spin = new SpinEdit;
    const QFontMetrics metrics(spin->font());
    spin->setMinimumWidth(metrics.horizontalAdvance(QString(digits + 3, u'0')));
    return spin;
}

QGroupBox* checkableGroup(const QString& title) {
    auto* group = new QGroupBox(title);
    group->setCheckable(true);
    nameControl(group, title);
    return group;
}

QCheckBox* checkBox(const QString& text) {
    auto* box = new QCheckBox(text);
    nameControl(box, text);
    return box;
}

QGroupBox* outputGroup(CDlgSettings::Controls& c) {
    auto* group = new QGroupBox(QStringLiteral("Output to"));
    nameControl(group, group->title());
    c.format = new QComboBox;
    for (const FormatChoice& choice : formatChoices())
        c.format->addItem(QString(choice.label), choice.code);
    c.quality = spinEdit(3);
    c.qualityLabel = labelFor(QStringLiteral("Image &quality:"), c.quality);
    c.qualityRange = new QLabel(QStringLiteral("(0 - 100)"));
    c.folder = new QLineEdit;
    c.folder->setMinimumWidth(QFontMetrics(c.folder->font()).averageCharWidth() * 44);
    // The quality row keeps its room while hidden, so the dialog does not jump with the format.
    for (QWidget* part : {static_cast<QWidget*>(c.qualityLabel), static_cast<QWidget*>(c.quality),
                          static_cast<QWidget*>(c.qualityRange)}) {
        QSizePolicy policy = part->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        part->setSizePolicy(policy);
    }
    c.browse = new QPushButton(QStringLiteral("..."));
    // "..." says nothing to a screen reader; the description tells what the button does.
    c.browse->setAccessibleName(QStringLiteral("..."));
    c.browse->setAccessibleDescription(QStringLiteral("Please select a folder"));
    c.browse->setToolTip(QStringLiteral("Please select a folder"));
    // As narrow as its text: a push button is otherwise as wide as "Cancel".
    const QFontMetrics metrics(c.browse->font());
    c.browse->setFixedWidth(metrics.horizontalAdvance(QStringLiteral("...")) +
                            3 * metrics.averageCharWidth() + 8);

    auto* grid = new QGridLayout(group);
    grid->addWidget(labelFor(QStringLiteral("&Format:"), c.format), 0, 0);
    auto* formatRow = new QHBoxLayout;
    formatRow->addWidget(c.format);
    formatRow->addSpacing(12);
    formatRow->addWidget(c.qualityLabel);
    formatRow->addWidget(c.quality);
    formatRow->addWidget(c.qualityRange);
    formatRow->addStretch(1);
    grid->addLayout(formatRow, 0, 1, 1, 2);
    grid->addWidget(labelFor(QStringLiteral("Fo&lder:"), c.folder), 1, 0);
    grid->addWidget(c.folder, 1, 1);
    grid->addWidget(c.browse, 1, 2);
    // The folders of a dropped folder's pictures are made again below the output folder.
    c.keepFolders = checkBox(QStringLiteral("&Keep folder structure"));
    grid->addWidget(c.keepFolders, 2, 1, 1, 2);
    grid->setColumnStretch(1, 1);
    return group;
}

// A row of label, field and unit at `row` of the grid; answers its widgets.
QList<QWidget*> sizeRow(QGridLayout* grid, int row, const QString& label, SpinEdit* field,
                        const QString& unit) {
    QList<QWidget*> widgets{labelFor(label, field), field, new QLabel(unit)};
    for (int column = 0; column < 3; ++column)
        grid->addWidget(widgets[column], row, column);
    return widgets;
}

// "Mode" and the rows of the chosen mode's size, then "Only shrink". The group keeps the height
// of its tallest mode, so that the dialog does not jump when the mode changes.
QGroupBox* resizeGroup(CDlgSettings::Controls& c) {
    QGroupBox* group = c.resize = checkableGroup(QStringLiteral("&Resize"));
    c.mode = new QComboBox;
    for (const ResizeModeRow& row : resizeModes())
        c.mode->addItem(QString(row.label));
    c.width = spinEdit(5);
    c.height = spinEdit(5);
    c.constrain = checkBox(QStringLiteral("&Constrain Proportions"));
    c.longEdge = spinEdit(5);
    c.percent = spinEdit(4);
    c.shrinkOnly = checkBox(QStringLiteral("Onl&y shrink"));
    const QString pixels = QStringLiteral("pixels");
    auto* grid = new QGridLayout(group);
    grid->addWidget(labelFor(QStringLiteral("M&ode:"), c.mode), 0, 0);
    grid->addWidget(c.mode, 0, 1, 1, 3);
    c.sizePages[0] = sizeRow(grid, 1, QStringLiteral("&Width:"), c.width, pixels) +
                     sizeRow(grid, 2, QStringLiteral("&Height:"), c.height, pixels);
    grid->addWidget(c.constrain, 3, 0, 1, 4);
    c.sizePages[0] << c.constrain;
    c.sizePages[1] = sizeRow(grid, 4, QStringLiteral("Lon&g edge:"), c.longEdge, pixels);
    // The mnemonic is the one of "Constrain Proportions", which is never shown beside it.
    c.sizePages[2] = sizeRow(grid, 5, QStringLiteral("Per&cent:"), c.percent, QStringLiteral("%"));
    grid->addWidget(c.shrinkOnly, 6, 0, 1, 4);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(7, 1);
    // Measured with the rows of "Exact size", the tallest mode, alone.
    for (QWidget* part : c.sizePages[1] + c.sizePages[2])
        part->hide();
    group->setMinimumHeight(group->sizeHint().height());
    return group;
}

QRadioButton* rotationButton(const QString& text) {
    // At most one is checked, and a click clears it.
    QRadioButton* button = clearableRadioButton(text);
    nameControl(button, text);
    return button;
}

QGroupBox* rotateGroup(CDlgSettings::Controls& c) {
    QGroupBox* group = c.rotate = checkableGroup(QStringLiteral("Ro&tate"));
    c.deg90 = rotationButton(QStringLiteral("&90 degree"));
    c.deg180 = rotationButton(QStringLiteral("1&80 degree"));
    c.deg270 = rotationButton(QStringLiteral("2&70 degree"));
    c.mirror = checkBox(QStringLiteral("&Mirror"));
    auto* column = new QVBoxLayout(group);
    column->addWidget(c.deg90);
    column->addWidget(c.deg180);
    column->addWidget(c.deg270);
    column->addWidget(c.mirror);
    column->addStretch(1);
    return group;
}

QGroupBox* renameGroup(CDlgSettings::Controls& c) {
    QGroupBox* group = c.rename = checkableGroup(QStringLiteral("R&ename"));
    c.prefix = new QLineEdit;
    c.number = spinEdit(4);
    auto* row = new QHBoxLayout(group);
    row->addWidget(labelFor(QStringLiteral("&Prefix:"), c.prefix));
    row->addWidget(c.prefix, 1);
    row->addSpacing(12);
    row->addWidget(labelFor(QStringLiteral("&Number From:"), c.number));
    row->addWidget(c.number);
    return group;
}

template <typename Choice> QComboBox* choiceList(std::span<const ChoiceRow<Choice>> rows) {
    auto* list = new QComboBox;
    for (const ChoiceRow<Choice>& row : rows)
        list->addItem(QString(row.label));
    return list;
}

QGroupBox* colourGroup(CDlgSettings::Controls& c) {
    auto* group = new QGroupBox(QStringLiteral("Colour and metadata"));
    nameControl(group, group->title());
    c.colour = choiceList(colourChoices());
    c.metadata = choiceList(metadataChoices());
    auto* row = new QHBoxLayout(group);
    row->addWidget(labelFor(QStringLiteral("Colo&ur:"), c.colour));
    row->addWidget(c.colour);
    row->addSpacing(12);
    row->addWidget(labelFor(QStringLiteral("Met&adata:"), c.metadata));
    row->addWidget(c.metadata);
    row->addStretch(1);
    return group;
}

// The presets: choosing one fills the dialog; "Save..." keeps its choices under a name.
QWidget* presetRow(CDlgSettings::Controls& c) {
    auto* row = new QWidget;
    c.preset = new QComboBox;
    c.preset->setMinimumContentsLength(20);
    c.savePreset = new QPushButton(QStringLiteral("Sa&ve..."));
    nameControl(c.savePreset, c.savePreset->text());
    c.deletePreset = new QPushButton(QStringLiteral("&Delete"));
    nameControl(c.deletePreset, c.deletePreset->text());
    c.presetNotes = new QLabel;
    c.presetNotes->setWordWrap(true);
    c.presetNotes->setVisible(false);
    auto* grid = new QGridLayout(row);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(labelFor(QStringLiteral("Pre&set:"), c.preset), 0, 0);
    grid->addWidget(c.preset, 0, 1);
    grid->addWidget(c.savePreset, 0, 2);
    grid->addWidget(c.deletePreset, 0, 3);
    grid->addWidget(c.presetNotes, 1, 0, 1, 5);
    grid->setColumnStretch(4, 1);
    return row;
}

} // namespace

void buildSettingsControls(QDialog& dialog, CDlgSettings::Controls& c) {
    auto* middle = new QHBoxLayout;
    middle->addWidget(resizeGroup(c), 3);
    middle->addWidget(rotateGroup(c), 2);

    auto* page = new QVBoxLayout(&dialog);
    page->addWidget(outputGroup(c));
    page->addLayout(middle);
    page->addWidget(renameGroup(c));
    page->addWidget(colourGroup(c));
    page->addWidget(presetRow(c));
    const OkCancel buttons = makeOkCancel(dialog);
    c.ok = buttons.ok;
    c.cancel = buttons.cancel;
    page->addWidget(buttons.row);

    // Top to bottom, left to right, as the groups are read.
    const QList<QWidget*> order{
        c.format, c.quality,  c.folder,    c.browse,     c.keepFolders,  c.resize,     c.mode,
        c.width,  c.height,   c.constrain, c.longEdge,   c.percent,      c.shrinkOnly, c.rotate,
        c.deg90,  c.deg180,   c.deg270,    c.mirror,     c.rename,       c.prefix,     c.number,
        c.colour, c.metadata, c.preset,    c.savePreset, c.deletePreset, c.ok,         c.cancel};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

} // namespace pix
