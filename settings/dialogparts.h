// Small pieces both settings dialogs are made of.
#pragma once

#include <QString>
#include <QValidator>
#include <functional>

class QDialog;
class QPushButton;
class QRadioButton;
class QWidget;

namespace pix {

// Lets an edit take a text only when the rule allows it; text set by the program is not
// checked, so a longer text from elsewhere stays whole until OK looks at it.
class RuleValidator : public QValidator {
public:
    RuleValidator(std::function<bool(const QString&)> rule, QObject* parent)
        : QValidator(parent), rule_(std::move(rule)) {}
    State validate(QString& input, int&) const override {
        return rule_(input) ? Acceptable : Invalid;
    }

private:
    std::function<bool(const QString&)> rule_;
};

// A visible text without its mnemonic marks: "&Width:" gives "Width:".
QString withoutMnemonic(const QString& text);

// Gives a control the accessible name a screen reader reads: its label without the mnemonic
// mark and without a trailing colon.
void nameControl(QWidget* control, const QString& label);

// A radio button of a set of which at most one holds: the buttons beside it are cleared when it
// is checked, and a click on it while checked clears it again. Screen readers announce it as a
// radio button.
QRadioButton* clearableRadioButton(const QString& text);
// Checks or clears such a button from the program (a plain setChecked(false) is refused while
// it is the checked one of its set).
void setClearableChecked(QRadioButton* button, bool checked);

// The "OK" (default, Enter) and "Cancel" (Escape) buttons at the dialog's lower right,
// wired to accept() and reject().
struct OkCancel {
    QPushButton* ok;
    QPushButton* cancel;
    QWidget* row;
};
OkCancel makeOkCancel(QDialog& dialog);

} // namespace pix
