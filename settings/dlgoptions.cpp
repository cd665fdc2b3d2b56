#include "settings/dlgoptions.h"

#include "settings/dialogparts.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <limits>

namespace pix {

CDlgOptions::CDlgOptions(const QStringList& filters, QWidget* parent)
    : QDialog(parent), result_(filters), edit_(new QLineEdit) {
    setWindowTitle(QStringLiteral("Options"));
    // The group's mnemonic moves the focus to the edit inside it.
    auto* group = new QGroupBox(QStringLiteral("File &extension filters"));
    nameControl(group, group->title());
    nameControl(edit_, group->title());
    edit_->setMaxLength(std::numeric_limits<int>::max());
    edit_->setMinimumWidth(QFontMetrics(edit_->font()).averageCharWidth() * 48);
    auto* inside = new QVBoxLayout(group);
    inside->addWidget(edit_);

    auto* page = new QVBoxLayout(this);
    page->addWidget(group);
    page->addStretch(1);
    page->addWidget(makeOkCancel(*this).row);

    model_.open(filters);
    edit_->setText(model_.text());
    // Connected after the filling, which is no edit.
    connect(edit_, &QLineEdit::textChanged, this, [this](const QString& t) { model_.edit(t); });
}

void CDlgOptions::accept() {
    result_ = model_.accept();
    QDialog::accept();
}

} // namespace pix
