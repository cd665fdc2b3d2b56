// The "Folders" docking window: the folder tree in its one tab, "My Computer".
//
// For the image browser: connect to folderChanged() and, when it arrives, read
// GetSelectedPath(). folderChanged is emitted queued (after the tree has finished its own
// handling) once for every move of the tree's selection to an item, by mouse or keyboard; the
// path read is that of the item selected when the signal is handled, which after several quick
// moves may be a later one than the move that emitted it. The path is empty when the selected
// item has no file-system path (the "Computer" root).
#pragma once

#include <QDockWidget>

class QTabWidget;

namespace pix {

class CChildView;

class CTabDockWnd : public QDockWidget {
    Q_OBJECT
public:
    /// Builds the tree with the desktop as its root and opens the desktop.
    explicit CTabDockWnd(QWidget* parent = nullptr);

    /// The file-system path of the selected folder; empty when nothing is selected or the
    /// selected item has no file-system path.
    QString GetSelectedPath() const;
    /// Reads the selected folder's sub-folders again; when the folder is gone it leaves the
    /// tree, its nearest existing ancestor is selected and folderGone() is emitted. True when
    /// the selection moved (folderChanged() follows).
    bool RefreshSelected();
    CChildView* tree() const { return tree_; }
    QTabWidget* tabs() const { return tabs_; }

signals:
    /// The tree's selection moved to an item (queued; see above).
    void folderChanged();
    /// The selected folder was found gone (path) and the selection moved to its nearest
    /// ancestor that exists.
    void folderGone(const QString& path);

private:
    void OnSelChanged();

    QTabWidget* tabs_;
    CChildView* tree_;
};

} // namespace pix
