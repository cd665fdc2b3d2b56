#include "app/messageboxprompt.h"

#include <QMessageBox>
#include <QWidget>

namespace pix {

namespace {

QMessageBox::Icon boxIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Error:
        return QMessageBox::Critical;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

const char* const kTitle = "Pixovia";

} // namespace

Answer MessageBoxPrompt::askYesNo(const QString& text, MessageIcon icon, QObject* owner) {
    QMessageBox box(boxIcon(icon), QString::fromLatin1(kTitle), text,
                    QMessageBox::Yes | QMessageBox::No, qobject_cast<QWidget*>(owner));
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

void MessageBoxPrompt::showMessage(const QString& text, const QString& caption, MessageIcon icon) {
    QMessageBox box(boxIcon(icon), caption, text, QMessageBox::Ok);
    box.exec();
}

} // namespace pix
