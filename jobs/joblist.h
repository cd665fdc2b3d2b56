// The job list: the pictures waiting to be converted, each with its own settings, as a table
// model that the job list view shows.
//
// The list owns its items in an array in the order they were added; the rows are kept apart,
// in display order, each pointing at its item. Sorting reorders rows only. Every look-up goes
// from a row to its item. Selection belongs to the view: operations on "the selected rows" take
// the rows as arguments. While a run holds the list (RunLock), no row comes or goes. No widget
// is involved.
#pragma once

#include "browser/common/sortabletablemodel.h"
#include "jobs/jobitem.h"
#include "jobs/userprompt.h"
#include "platform/filesearch.h" // joinPath: a row's path is its folder joined with its name

#include <QString>
#include <memory>
#include <vector>

namespace pix {

enum JobColumn {
    kColumnName = 0,
    kColumnType,
    kColumnDimension,
    kColumnSize,
    kColumnOutputFolder,
    kColumnDateModified,
    kColumnRemarks,
    kColumnCount
};

// The columns' titles and first widths, as the job list view shows them.
struct JobColumnInfo {
    const char* title; // "Name", "Type", ...
    int width;         // initial width in pixels
};
const JobColumnInfo& jobColumn(int column);

class JobList : public SortableTableModel {
    Q_OBJECT
public:
    // A row's identity for as long as the list lives: unlike its index it survives sorting and
    // the removal of other rows, and it is never given to another item.
    using ItemId = quint64;

    // prompt asks the duplicate question; none answers No.
    explicit JobList(UserPrompt* prompt = nullptr, QObject* parent = nullptr);
    ~JobList() override;

    // While a run holds one, the rows are the run's: AddFile, AppendItem and the Remove
    // operations refuse, and the commands that would change the list are disabled. Sorting and
    // changing items stay possible: the run finds its rows by identity and works on copies.
    class RunLock {
    public:
        explicit RunLock(JobList& list) : list_(list) { ++list_.runLocks_; }
        ~RunLock() { --list_.runLocks_; }
        RunLock(const RunLock&) = delete;
        RunLock& operator=(const RunLock&) = delete;

    private:
        JobList& list_;
    };
    bool isLocked() const { return runLocks_ > 0; }

    // The window the duplicate question belongs to.
    void setQuestionOwner(QObject* owner) { questionOwner_ = owner; }
    // The pattern of the "Date Modified" column (FormatTime's notation); empty shows no date.
    void setDatePattern(const QString& pattern);

    // Adds a picture from the image browser (only info's folder, width and height are used).
    // Asks before adding a file that is already listed; a file that is not on disk is skipped
    // without a message, and nothing is added while the list is locked. True when a row was
    // added.
    bool AddFile(const ImageInfo* info, const QString* fileName);

    // Appends a ready item (from a job file) with the given row name. Returns the row index, or
    // -1 while the list is locked.
    int AppendItem(std::unique_ptr<JobItem> item, const QString& rowName);

    // The table: one row per item in display order, the seven columns' texts.
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // The column titles.
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    // Sorts stably by a column in the given direction (the view's header calls this).
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    JobItem* itemAt(int row) const; // none for a row out of range
    ItemId idAt(int row) const;     // 0 for a row out of range
    int rowOf(ItemId id) const;     // -1 when no row has it
    QString rowName(int row) const; // the "Name" text
    QString columnText(int row, int column) const;
    void setRowName(int row, const QString& name);
    // Tells the views that a row's item was changed in place (its settings, its remarks).
    void itemChanged(int row);

    // None of the three removes anything while the list is locked.
    void RemoveRows(const std::vector<int>& rows);    // any order; out of range and repeats ignored
    void RemoveItems(const std::vector<ItemId>& ids); // rows no longer listed are ignored
    void RemoveAll();

    // Sorts the rows by a column: a new column sorts ascending, the same column again
    // reverses the direction. The order of rows that compare equal is kept.
    void SortByColumn(int column);
    int lastSortedColumn() const { return lastSortedColumn_; }
    bool sortAscending() const { return ascending_; }

    bool canStart() const { return !rows_.empty(); }

    // A row the last run could not convert carries the reason: the "Remarks" column shows it
    // before the row's own remarks, every cell of the row has it as its tool tip, and
    // FailureRole answers it (the view marks the row). An empty reason clears the mark.
    static constexpr int FailureRole = Qt::UserRole + 1;
    void setFailure(ItemId id, const QString& reason);
    QString failure(int row) const; // empty for a row without one

    // The file "View" opens for a row: its source folder and its name; empty for no row.
    QString viewPath(int row) const;

    // Items in the order they were added (the array, not the rows).
    const std::vector<std::unique_ptr<JobItem>>& items() const { return items_; }

private:
    struct Row {
        JobItem* item = nullptr;
        QString name;
        ItemId id = 0;
        QString failure;
    };

    void removeRowRange(int first, int last);
    QString remarksText(int row) const;

    UserPrompt* prompt_;
    QObject* questionOwner_ = nullptr;
    QString datePattern_;
    std::vector<std::unique_ptr<JobItem>> items_;
    std::vector<Row> rows_;
    ItemId nextId_ = 1;
    int lastSortedColumn_ = -1;
    bool ascending_ = true;
    int runLocks_ = 0;
};

} // namespace pix
