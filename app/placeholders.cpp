#include "app/placeholders.h"

#include "browser/formatting.h"
#include "platform/filesearch.h"
#include "platform/imaging/decoder.h"

#include <QAction>
#include <QDir>
#include <QListWidget>
#include <QVBoxLayout>

namespace pix {

CListImageView::CListImageView(QWidget* parent) : QWidget(parent) {
    list_ = new QListWidget(this);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setAccessibleName(QStringLiteral("Image browser"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_);
    addAction_ = new QAction(QStringLiteral("Add to list"), this);
    viewAction_ = new QAction(QStringLiteral("View"), this);
    selectAllAction_ = new QAction(QStringLiteral("Select All"), this);
    connect(addAction_, &QAction::triggered, this, [this] { AddSelectedToJobList(); });
    connect(selectAllAction_, &QAction::triggered, list_, &QListWidget::selectAll);
    connect(list_, &QListWidget::itemSelectionChanged, this, [this] { updateActions(); });
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { AddSelectedToJobList(); });
    updateActions();
}

void CListImageView::FillList(const QString& folder) {
    folder_ = folder;
    FillList();
}

void CListImageView::FillList() {
    ++fills_;
    list_->clear();
    QStringList names;
    for (const QString& pattern : FilterList())
        names << listFolder(folder_, pattern, Entry::Files);
    for (const QString& name : names)
        list_->addItem(name);
    updateActions();
}

void CListImageView::ToggleView() {
    FillList();
}

void CListImageView::AddSelectedToJobList() {
    if (!addFile_)
        return;
    for (const QListWidgetItem* row : list_->selectedItems()) {
        ImageInfo info;
        info.folder = folder_;
        QSize size;
        if (imaging::measureFile(QDir(folder_).filePath(row->text()), size) ==
            imaging::Status::Ok) {
            info.width = size.width();
            info.height = size.height();
        }
        const QString name = row->text();
        addFile_(&info, &name);
    }
}

void CListImageView::updateActions() {
    const bool selected = !list_->selectedItems().isEmpty();
    addAction_->setEnabled(selected);
    viewAction_->setEnabled(selected);
    selectAllAction_->setEnabled(list_->count() > 0);
}

} // namespace pix
