#include "app/replacequestion.h"

#include <QMessageBox>
#include <QPushButton>

namespace pix {

ReplaceAnswer MessageBoxReplaceQuestion::askReplace(const QString& text, const QString& path,
                                                    QObject* owner) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Pixovia"), text, QMessageBox::NoButton,
                    qobject_cast<QWidget*>(owner));
    box.setInformativeText(path);
    QPushButton* yes = box.addButton(QMessageBox::Yes);
    QPushButton* no = box.addButton(QMessageBox::No);
    QPushButton* yesToAll = box.addButton(QMessageBox::YesToAll);
    QPushButton* noToAll = box.addButton(QMessageBox::NoToAll);
    yes->setText(QStringLiteral("Yes"));
    no->setText(QStringLiteral("No"));
    yesToAll->setText(QStringLiteral("Yes to All"));
    noToAll->setText(QStringLiteral("No to All"));
    box.setDefaultButton(yes);
    box.exec();
    const QAbstractButton* clicked = box.clickedButton();
    if (clicked == yes)
        return ReplaceAnswer::Yes;
    if (clicked == yesToAll)
        return ReplaceAnswer::YesToAll;
    if (clicked == noToAll)
        return ReplaceAnswer::NoToAll;
    return ReplaceAnswer::No; // No, or the box closed
}

} // namespace pix
