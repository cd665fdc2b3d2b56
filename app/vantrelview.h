// The job list's window: the seven columns of the job list, grid lines, whole rows selected
// (several at once), a sort mark on the sorted column, the context menu, Delete, Ctrl+A, a
// double click for Settings, and pictures and folders dropped from a file manager. The
// columns grow to show their texts, within limits.
#pragma once

#include "app/joblistcommands.h"

#include <QTableView>
#include <functional>
#include <memory>

class QMenu;
class QTimer;

namespace pix {

class CommandRouter;

class CVantrelView : public QTableView {
    Q_OBJECT
public:
    using DropHandler = std::function<void(const QStringList& paths)>;

    CVantrelView(JobList& list, JobListCommands::Hooks hooks, QWidget* parent = nullptr);
    ~CVantrelView() override;

    JobList& list() const { return list_; }
    JobListCommands& commands() const { return *commands_; }

    // Menus built by the view ask this router which entries are enabled.
    void setRouter(const CommandRouter* router) { router_ = router; }
    // Called with the local paths of files and folders dropped on the list.
    void setDropHandler(DropHandler handler) { dropHandler_ = std::move(handler); }

    // Menu 141, its entries enabled as the list and its selection allow.
    std::unique_ptr<QMenu> makeContextMenu();
    // A column header clicked: sorts and shows the sort mark.
    void sortByColumn(int column);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Widens "Name", "Dimension", "Output Folder" and "Date Modified" to their texts, and lets
    // "Remarks" grow past the window's edge when its texts need it, each up to a limit.
    void fitColumns();
    bool acceptsDrop(const QMimeData* data) const;
    void showContextMenu(const QPoint& at);
    void run(CommandId id);

    JobList& list_;
    std::unique_ptr<JobListCommands> commands_;
    const CommandRouter* router_ = nullptr;
    DropHandler dropHandler_;
    QTimer* fitTimer_;
};

} // namespace pix
