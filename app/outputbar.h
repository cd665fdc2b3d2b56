// The "Output" docking window: one tab "Output" holding the list of the runs' result lines.
// A double click opens the folder a line carries; the context menu opens it, copies the line
// or clears the log. The list follows new lines unless the person scrolled up.
#pragma once

#include "app/outputlogmodel.h"

#include <QDockWidget>
#include <QListView>
#include <memory>

class QMenu;
class QTabWidget;

namespace pix {

class COutputListBox : public QListView {
    Q_OBJECT
public:
    COutputListBox(OutputLogModel& log, QWidget* parent = nullptr);

    // The selected row, -1 for none.
    int selectedRow() const;
    // The context menu for the current selection.
    std::unique_ptr<QMenu> makeContextMenu();
    void runCommand(CommandId id);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    OutputLogModel& log_;
    bool followNewLines_ = true;
};

class COutputBar : public QDockWidget {
    Q_OBJECT
public:
    explicit COutputBar(QWidget* parent = nullptr);

    OutputLogModel& log() { return log_; }
    COutputListBox* listBox() const { return list_; }

    void AddLine(const QString& text, const std::optional<QString>& path = std::nullopt) {
        log_.AddOutputLine(text, path);
    }
    void ClearLines() { log_.clear(); }
    // The height that shows `lines` whole lines of the log, with the tab and a horizontal
    // scroll bar below them.
    int heightForLines(int lines) const;

private:
    OutputLogModel log_;
    QTabWidget* tabs_;
    COutputListBox* list_;
};

} // namespace pix
