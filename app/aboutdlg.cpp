#include "app/aboutdlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

static void initResources() {
    Q_INIT_RESOURCE(pixovia);
}

namespace pix {

QIcon applicationIcon() {
    initResources();
    return QIcon::fromTheme(QStringLiteral("pixovia"),
                            QIcon(QStringLiteral(":/pixovia/pixovia.svg")));
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Pixovia"));
    setWindowIcon(applicationIcon());

    auto* icon = new QLabel(this);
    icon->setPixmap(applicationIcon().pixmap(48, 48));
    icon->setAccessibleName(QStringLiteral("Pixovia"));
    auto* text = new QLabel(QStringLiteral("Pixovia Version 1.0"), this);
    text->setAccessibleName(text->text());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Ok)->setAccessibleName(QStringLiteral("OK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addSpacing(12);
    row->addWidget(text, 1, Qt::AlignVCenter);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace pix
