#include "app/placeholders.h"

#include "browser/formatting.h"
#include "platform/filesearch.h"
#include "platform/imaging/decoder.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListWidget>
#include <QTreeView>
#include <QVBoxLayout>

namespace pix {

CTabDockWnd::CTabDockWnd(QWidget* parent) : QDockWidget(QStringLiteral("Folders"), parent) {
    setObjectName(QStringLiteral("FoldersTab"));
    model_ = new QFileSystemModel(this);
    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    model_->setRootPath(QDir::rootPath());
    tree_ = new QTreeView(this);
    tree_->setModel(model_);
    tree_->setHeaderHidden(true);
    for (int column = 1; column < model_->columnCount(); ++column)
        tree_->hideColumn(column);
    tree_->setAccessibleName(QStringLiteral("My Computer"));
    setWidget(tree_);
    connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
        QMetaObject::invokeMethod(this, &CTabDockWnd::folderChanged, Qt::QueuedConnection);
    });
}

QString CTabDockWnd::GetSelectedPath() const {
    return model_->filePath(tree_->currentIndex());
}

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

CDlgSettings::CDlgSettings(const JobItem* jobItem, QWidget* parent, UserPrompt*) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Settings"));
    if (jobItem) {
        result_.outputFolder = jobItem->output.folder;
        result_.formatCode = jobItem->output.formatCode;
        result_.width = jobItem->output.width;
        result_.height = jobItem->output.height;
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    (new QVBoxLayout(this))->addWidget(buttons);
}

CDlgOptions::CDlgOptions(const QStringList& filters, QWidget* parent)
    : QDialog(parent), result_(filters) {
    setWindowTitle(QStringLiteral("Options"));
    edit_ = new QLineEdit(filters.join(u';'), this);
    connect(edit_, &QLineEdit::textEdited, this, [this] { changed_ = true; });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(edit_);
    layout->addWidget(buttons);
}

void CDlgOptions::accept() {
    ParseFilterList(edit_->text(), &result_);
    QDialog::accept();
}

} // namespace pix
