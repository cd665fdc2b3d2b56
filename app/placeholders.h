// A stand-in for the image browser, with the interface the frame calls. It goes when the real
// one is wired in.
#pragma once

#include "jobs/applysettings.h"

#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QListWidget;
class QMenu;

namespace pix {

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

} // namespace pix
