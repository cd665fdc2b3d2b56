#include "settings/dialogparts.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>

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
