// The job list: the pictures waiting to be converted, each with its own settings.
//
// The list owns its items in an array in the order they were added; the rows are kept apart,
// in display order, each pointing at its item. Sorting reorders rows only. Every look-up goes
// from a row to its item. No widget is involved: the job list view presents this model.
#pragma once

#include "jobs/jobitem.h"
#include "jobs/userprompt.h"

#include <QString>
#include <memory>
#include <vector>

class QObject;

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

struct JobColumnInfo {
    const char* title; // "Name", "Type", ...
    int width;         // initial width in pixels
};
const JobColumnInfo& jobColumn(int column);

class JobList {
public:
    explicit JobList(UserPrompt* prompt = nullptr, QObject* owner = nullptr);
    ~JobList();
    JobList(const JobList&) = delete;
    JobList& operator=(const JobList&) = delete;

    // Adds a picture from the image browser (only info's folder, width and height are used).
    // Asks before adding a file that is already listed; a file that is not on disk is skipped
    // without a message. True when a row was added.
    bool AddFile(const ImageInfo* info, const QString* fileName);

    // Appends a ready item (from a job file) with the given row name. Returns the row index.
    int AppendItem(std::unique_ptr<JobItem> item, const QString& rowName);

    int rowCount() const { return int(rows_.size()); }
    JobItem* itemAt(int row) const; // none for a row out of range
    QString rowName(int row) const; // the "Name" text
    QString columnText(int row, int column) const;
    void setRowName(int row, const QString& name);

    bool isSelected(int row) const;
    void setSelected(int row, bool selected);
    std::vector<int> selectedRows() const; // ascending
    int firstSelectedRow() const;          // -1 when none

    void RemoveSelected();
    void RemoveRows(const std::vector<int>& rows); // any order; each row once
    void RemoveAll();
    void SelectAll();

    // Sorts the rows by a column: a new column sorts ascending, the same column again
    // reverses the direction. The order of rows that compare equal is kept.
    void SortByColumn(int column);
    int lastSortedColumn() const { return lastSortedColumn_; }
    bool sortAscending() const { return ascending_; }

    // Command states.
    bool canStart() const { return !rows_.empty(); }
    bool hasSelection() const { return firstSelectedRow() >= 0; }

    // The path "View" opens: the first selected row's folder and name; empty when none.
    QString viewPath() const;

    // Items in the order they were added (the array, not the rows).
    const std::vector<std::unique_ptr<JobItem>>& items() const { return items_; }

private:
    struct Row {
        JobItem* item = nullptr;
        QString name;
        bool selected = false;
    };

    void destroyItem(JobItem* item);

    UserPrompt* prompt_;
    QObject* owner_;
    std::vector<std::unique_ptr<JobItem>> items_;
    std::vector<Row> rows_;
    int lastSortedColumn_ = -1;
    bool ascending_ = true;
};

// Joins a folder and a file name with one "/" (none added when the folder already ends in
// one). An empty folder gives the name alone.
QString joinPath(const QString& folder, const QString& name);

} // namespace pix
