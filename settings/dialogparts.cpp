#include "settings/dialogparts.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>

namespace pix {

QString withoutMnemonic(const QString& text) {
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size())
            ++i;
        plain += text[i];
    }
    return plain;
}

void nameControl(QWidget* control, const QString& label) {
    QString name = withoutMnemonic(label);
    if (name.endsWith(u':'))
        name.chop(1);
    control->setAccessibleName(name);
}

namespace {

class ClearableRadioButton : public QRadioButton {
public:
    explicit ClearableRadioButton(const QString& text) : QRadioButton(text) {
        // An auto-exclusive button refuses to clear itself when clicked while checked; the
        // click clears it here instead. Pressed comes before every click: mouse, keys,
        // mnemonics and assistive technologies' Press alike.
        connect(this, &QAbstractButton::pressed, this, [this] { checkedAtPress_ = isChecked(); });
        connect(this, &QAbstractButton::clicked, this, [this] {
            if (checkedAtPress_ && isChecked())
                setClearableChecked(this, false);
        });
    }

private:
    bool checkedAtPress_ = false;
};

} // namespace

QRadioButton* clearableRadioButton(const QString& text) {
    // Auto-exclusive, so that it is a radio button to assistive technologies as well.
    auto* button = new ClearableRadioButton(text);
    button->setAutoExclusive(true);
    return button;
}

void setClearableChecked(QRadioButton* button, bool checked) {
    if (checked || !button->isChecked()) {
        button->setChecked(checked);
        return;
    }
    button->setAutoExclusive(false);
    button->setChecked(false);
    button->setAutoExclusive(true);
}

OkCancel makeOkCancel(QDialog& dialog) {
    // Plain buttons rather than a button box: the box would take a tab stop of its own, and its
    // standard texts carry mnemonics that would take letters from the controls.
    auto* row = new QWidget(&dialog);
    auto* ok = new QPushButton(QStringLiteral("OK"), row);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), row);
    ok->setDefault(true);
    nameControl(ok, ok->text());
    nameControl(cancel, cancel->text());
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch(1);
    layout->addWidget(ok);
    layout->addWidget(cancel);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    return {ok, cancel, row};
}

} // namespace pix
