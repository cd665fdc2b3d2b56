#include "settings/spinedit.h"

#include "settings/spinfield.h"

#include <QLineEdit>

namespace pix {

SpinEdit::SpinEdit(QWidget* parent) : QAbstractSpinBox(parent) {
    // The value is the text: no interpretation while typing, no correction on leaving.
    setKeyboardTracking(false);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setAccelerated(false);
    connect(lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
        if (onEdit_)
            onEdit_(text);
    });
}

void SpinEdit::setEditHandler(std::function<void(const QString&)> handler) {
    onEdit_ = std::move(handler);
}

void SpinEdit::setStepHandler(std::function<void(int)> handler) {
    onStep_ = std::move(handler);
}

void SpinEdit::showText(const QString& text) {
    if (lineEdit()->text() != text)
        lineEdit()->setText(text);
}

void SpinEdit::stepBy(int steps) {
    if (onStep_)
        onStep_(steps);
    lineEdit()->selectAll();
}

QValidator::State SpinEdit::validate(QString& input, int&) const {
    return IsDigitsOnly(input) ? QValidator::Acceptable : QValidator::Invalid;
}

void SpinEdit::fixup(QString&) const {}

QAbstractSpinBox::StepEnabled SpinEdit::stepEnabled() const {
    if (!isEnabled() || isReadOnly())
        return StepNone;
    return StepUpEnabled | StepDownEnabled;
}

} // namespace pix
