// The expand-on-demand protocol of the folder tree: an item's children are filled when it is
// opened the first time, behind a "Loading..." child and with drawing frozen, by a population
// hook the derived tree supplies. Afterwards the item's expand button is corrected and the new
// children are scrolled into view below it.
#pragma once

#include "shell/treecontrol.h"

#include <QElapsedTimer>
#include <QString>

namespace pix {

class WaitingTree : public TreeNotify {
public:
    explicit WaitingTree(TreeControl& control) : control_(control) {}
    WaitingTree(const WaitingTree&) = delete;
    WaitingTree& operator=(const WaitingTree&) = delete;

    /// Whether an opened item's children are fetched again at every opening (and dropped at
    /// every closing). No.
    virtual bool RefreshOnExpand(TreeItem item);
    /// Fills the item's children. True: the item's expand button may follow what was found;
    /// false: it keeps its button even when nothing was found (the next opening tries again).
    virtual bool FillChildren(TreeItem item) = 0;

    void OnItemExpanding(TreeItem item) override;
    void OnItemExpanded(TreeItem item, bool expand) override;
    void OnDeleteItem(void* param) override;

    /// Progress of a fill, for the population hook: total 0 when the number is open.
    void SetProgress(int total, int current);
    void AddProgress(int count);
    int GetProgress(int* total = nullptr) const;

    /// Whether an opening shows the "Loading..." child before filling.
    void SetShowWait(bool show) { showWait_ = show; }
    bool ShowWait() const { return showWait_; }

    const QString& PlaceholderText() const { return placeholderText_; }
    TreeItem PendingItem() const { return pendingItem_; }
    TreeItem PlaceholderItem() const { return placeholderItem_; }
    /// True while the children are being filled: the control shows what it drew before.
    bool SnapshotActive() const { return snapshotActive_; }

protected:
    TreeControl& control() const { return control_; }
    void DeleteChildren(TreeItem item);

private:
    void PrepareExpand(TreeItem item);
    void FinishExpand(TreeItem item);
    void CorrectButton(TreeItem item, bool followFound);
    void ScrollChildrenIntoView(TreeItem item);
    void StepEffects();

    TreeControl& control_;
    bool snapshotActive_ = false;
    QString placeholderText_ = QStringLiteral("Loading...");
    bool showWait_ = false;
    int progressCurrent_ = 0;
    int progressTotal_ = 0;
    TreeItem placeholderItem_ = nullptr;
    TreeItem pendingItem_ = nullptr;
    bool effectsOn_ = false;
    QElapsedTimer sinceStep_;
};

} // namespace pix
