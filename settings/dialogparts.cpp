#include "settings/dialogparts.h"

#include <QDialog>
#include <QDialogButtonBox>
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
    auto* box = new QDialogButtonBox(&dialog);
    // Own texts: the standard ones carry mnemonics that would take letters from the controls.
    QPushButton* ok = box->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    QPushButton* cancel = box->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    nameControl(ok, ok->text());
    nameControl(cancel, cancel->text());
    QObject::connect(box, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return {ok, cancel, box};
}

} // namespace pix
