// Stand-ins for the windows other parts of the program provide (the Folders tab, the image
// browser and the two dialogs), with the interfaces the frame calls. They go when the real ones
// are wired in.
#pragma once

#include "jobs/applysettings.h"

#include <QDialog>
#include <QDockWidget>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QLineEdit;
class QListWidget;
class QMenu;
class QTreeView;
class QFileSystemModel;

namespace pix {

class UserPrompt;

class CTabDockWnd : public QDockWidget {
    Q_OBJECT
public:
    explicit CTabDockWnd(QWidget* parent = nullptr);
    QString GetSelectedPath() const;
    QTreeView* treeView() const { return tree_; }

signals:
    void folderChanged();

private:
    QFileSystemModel* model_;
    QTreeView* tree_;
};

class CListImageView : public QWidget {
public:
    using AddFileHandler = std::function<bool(const ImageInfo* info, const QString* fileName)>;

    explicit CListImageView(QWidget* parent = nullptr);

    void FillList(const QString& folder);
    void FillList();
    void ToggleView();
    void AddSelectedToJobList();
    void setAddFileHandler(AddFileHandler handler) { addFile_ = std::move(handler); }
    QAction* addToListAction() const { return addAction_; }
    QAction* viewAction() const { return viewAction_; }
    QAction* selectAllAction() const { return selectAllAction_; }
    QListWidget* listWidget() const { return list_; }
    int fillCount() const { return fills_; }

private:
    void updateActions();

    QListWidget* list_;
    QAction* addAction_;
    QAction* viewAction_;
    QAction* selectAllAction_;
    QString folder_;
    int fills_ = 0;
    AddFileHandler addFile_;
};

class CDlgSettings : public QDialog {
public:
    explicit CDlgSettings(const JobItem* jobItem, QWidget* parent = nullptr,
                          UserPrompt* prompt = nullptr);
    const SettingsResult& result() const { return result_; }

private:
    SettingsResult result_;
};

class CDlgOptions : public QDialog {
public:
    explicit CDlgOptions(const QStringList& filters, QWidget* parent = nullptr);
    bool filtersChanged() const { return changed_; }
    const QStringList& filterList() const { return result_; }
    void accept() override;

private:
    QLineEdit* edit_;
    QStringList result_;
    bool changed_ = false;
};

} // namespace pix
