// The image browser's rows without any widget: the records of one fill, the rows in display
// order, their texts in both views, sorting by column and the rows' thumbnails. The view
// (CListImageView) shows this model in a list of thumbnails or in five columns.
#pragma once

#include "browser/common/imageinfo.h"
#include "browser/common/sortabletablemodel.h"

#include <QIcon>
#include <QImage>
#include <memory>
#include <vector>

namespace pix {

enum BrowserColumn {
    kBrowserName = 0,
    kBrowserType,
    kBrowserDimension,
    kBrowserSize,
    kBrowserDateModified,
    kBrowserColumnCount
};

struct BrowserColumnInfo {
    const char* title; // "Name", "Type", ...
    int width;         // initial width in pixels
};
const BrowserColumnInfo& browserColumn(int column);

/// The image browser's sort direction, one value for the whole program: -1 ascending (the
/// start), +1 descending.
int SortDirection();
void SetSortDirection(int direction);

/// True when a is to stand after b in the current SortDirection, by the key of the column
/// (unknown columns sort by name); false also when either record is missing.
bool CompareItems(const ImageInfo* a, const ImageInfo* b, int column);

enum class ThumbnailState { Pending, Ready, Broken, Unavailable };

class ImageListModel : public SortableTableModel {
public:
    enum ViewMode { ReportView = 0, ThumbnailView = 1 };
    static constexpr int kThumbnailWidth = 96;
    static constexpr int kThumbnailHeight = 70;

    explicit ImageListModel(QObject* parent = nullptr);
    ~ImageListModel() override;

    int viewMode() const { return viewMode_; }
    void setViewMode(int mode); // takes effect for the texts at once; the caller refills

    // Drops every row and record.
    void clear();
    // Appends one row per picture, in the order given. Returns the index of the first new record.
    int append(std::vector<ImageInfo> pictures);

    int recordCount() const { return int(records_.size()); }
    const ImageInfo* recordAt(int row) const;
    const ImageInfo* record(int recordIndex) const;
    int recordOfRow(int row) const;
    int rowOfRecord(int recordIndex) const;

    // The row's text: the caption "name\n(WxH)" in the thumbnail view, the name in the report view.
    QString rowText(int row) const;
    // The row's text up to its first line break: the file name in both views.
    QString rowName(int row) const;
    QString columnText(int row, int column) const;
    // The file the row shows ("folder/name"); empty for a row out of range.
    QString filePath(int row) const;

    // Sorts by a column: the column of the last sort again reverses SortDirection, another
    // column sorts ascending. Rows with equal keys keep their order. Selections and other
    // persistent indexes follow their rows.
    void SortByColumn(int column);
    int lastSortColumn() const { return lastSortColumn_; }

    // Thumbnails, by record (rows move when sorted; records do not).
    void setThumbnail(int recordIndex, const QImage& image, ThumbnailState state);
    ThumbnailState thumbnailState(int recordIndex) const;
    QImage thumbnail(int recordIndex) const;
    // A broken picture's thumbnail cell says so to assistive technology, in this description.
    static constexpr const char* kBrokenPictureDescription = "Broken picture";
    // Icons shown while a thumbnail is pending or unavailable, and for a broken picture.
    void setPlaceholderIcons(const QIcon& pending, const QIcon& broken);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Record {
        ImageInfo info;
        QImage thumbnail;
        ThumbnailState state = ThumbnailState::Pending;
    };

    std::vector<std::unique_ptr<Record>> records_; // in the order made
    std::vector<int> rows_;                        // record index of each row, display order
    std::vector<int> rowOfRecord_;
    int viewMode_ = ThumbnailView;
    int lastSortColumn_ = -1;
    QIcon pendingIcon_;
    QIcon brokenIcon_;
};

} // namespace pix
