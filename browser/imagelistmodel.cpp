// The image browser's rows: records, display order, texts and thumbnails.
#include "browser/imagelistmodel.h"

#include "browser/common/formatting.h"
#include "platform/filesearch.h"

#include <QDateTime>
#include <algorithm>
#include <array>
#include <atomic>

namespace pix {

namespace {

constexpr std::array<BrowserColumnInfo, kBrowserColumnCount> kColumns{{
    {"Name", 100},
    {"Type", 100},
    {"Dimension", 60},
    {"Size", 100},
    {"Date Modified", 100},
}};

std::atomic<int> sortDirection{-1};

// -1, 0 or 1 as a is below, equal to or above b by the column's key.
int compareKeys(const ImageInfo& a, const ImageInfo& b, int column) {
    switch (column) {
    case kBrowserType:
        return QString::compare(a.typeName, b.typeName, Qt::CaseInsensitive);
    case kBrowserDimension: {
        // In 64 bits the sum of two 32-bit sizes cannot overflow.
        const std::int64_t ka = std::int64_t{a.width} + a.height;
        const std::int64_t kb = std::int64_t{b.width} + b.height;
        return (ka > kb) - (ka < kb);
    }
    case kBrowserSize:
        return (a.fileSize > b.fileSize) - (a.fileSize < b.fileSize);
    case kBrowserDateModified:
        return (a.modified > b.modified) - (a.modified < b.modified);
    default:
        return QString::compare(a.fileName, b.fileName, Qt::CaseInsensitive);
    }
}

QString dateText(std::int64_t secondsSinceEpoch) {
    // Out-of-range times give an invalid QDateTime, which formats as empty text.
    return FormatTime(QDateTime::fromSecsSinceEpoch(secondsSinceEpoch, Qt::UTC), DatePattern());
}

} // namespace

const BrowserColumnInfo& browserColumn(int column) {
    static constexpr BrowserColumnInfo kNone{"", 0};
    if (column < 0 || column >= kBrowserColumnCount)
        return kNone;
    return kColumns[std::size_t(column)];
}

int SortDirection() {
    return sortDirection.load();
}

void SetSortDirection(int direction) {
    sortDirection.store(direction < 0 ? -1 : 1);
}

bool CompareItems(const ImageInfo* a, const ImageInfo* b, int column) {
    if (a == nullptr || b == nullptr)
        return false;
    const int order = compareKeys(*a, *b, column);
    return SortDirection() < 0 ? order > 0 : order < 0;
}

ImageListModel::ImageListModel(QObject* parent) : SortableTableModel(parent) {}

ImageListModel::~ImageListModel() = default;

void ImageListModel::setViewMode(int mode) {
    beginResetModel();
    viewMode_ = mode == ReportView ? ReportView : ThumbnailView;
    endResetModel();
}

void ImageListModel::clear() {
    beginResetModel();
    records_.clear();
    rows_.clear();
    rowOfRecord_.clear();
    endResetModel();
}

int ImageListModel::append(std::vector<ImageInfo> pictures) {
    const int firstRecord = recordCount();
    if (pictures.empty())
        return firstRecord;
    const int firstRow = int(rows_.size());
    beginInsertRows(QModelIndex(), firstRow, firstRow + int(pictures.size()) - 1);
    for (ImageInfo& info : pictures) {
        auto record = std::make_unique<Record>();
        record->info = std::move(info);
        rowOfRecord_.push_back(int(rows_.size()));
        rows_.push_back(recordCount());
        records_.push_back(std::move(record));
    }
    endInsertRows();
    return firstRecord;
}

const ImageInfo* ImageListModel::record(int recordIndex) const {
    if (recordIndex < 0 || recordIndex >= recordCount())
        return nullptr;
    return &records_[std::size_t(recordIndex)]->info;
}

int ImageListModel::recordOfRow(int row) const {
    if (row < 0 || row >= int(rows_.size()))
        return -1;
    return rows_[std::size_t(row)];
}

int ImageListModel::rowOfRecord(int recordIndex) const {
    if (recordIndex < 0 || recordIndex >= recordCount())
        return -1;
    return rowOfRecord_[std::size_t(recordIndex)];
}

const ImageInfo* ImageListModel::recordAt(int row) const {
    return record(recordOfRow(row));
}

QString ImageListModel::rowText(int row) const {
    const ImageInfo* info = recordAt(row);
    if (info == nullptr)
        return QString();
    // The pixel size only when it is known.
    if (viewMode_ == ReportView || info->width <= 0 || info->height <= 0)
        return info->fileName;
    return QStringLiteral("%1\n(%2x%3)").arg(info->fileName).arg(info->width).arg(info->height);
}

QString ImageListModel::rowName(int row) const {
    return rowText(row).section(QLatin1Char('\n'), 0, 0);
}

QString ImageListModel::columnText(int row, int column) const {
    const ImageInfo* info = recordAt(row);
    if (info == nullptr)
        return QString();
    switch (column) {
    case kBrowserName:
        return rowText(row);
    case kBrowserType:
        return info->typeName;
    case kBrowserDimension:
        return QStringLiteral("%1x%2").arg(info->width).arg(info->height);
    case kBrowserSize:
        return FormatFileSize(info->fileSize, 2);
    case kBrowserDateModified:
        return dateText(info->modified);
    default:
        return QString();
    }
}

QString ImageListModel::filePath(int row) const {
    const ImageInfo* info = recordAt(row);
    if (info == nullptr)
        return QString();
    return joinPath(info->folder, rowName(row));
}

void ImageListModel::SortByColumn(int column) {
    if (column == lastSortColumn_)
        SetSortDirection(-SortDirection());
    else
        SetSortDirection(-1);
    lastSortColumn_ = column;

    // a stands before b unless the comparison puts it after b; rows with equal keys keep their
    // order.
    sortRows(rows_, [&](int a, int b) { return CompareItems(record(b), record(a), column); });
    for (std::size_t row = 0; row < rows_.size(); ++row)
        rowOfRecord_[std::size_t(rows_[row])] = int(row);
}

void ImageListModel::setThumbnail(int recordIndex, const QImage& image, ThumbnailState state) {
    if (recordIndex < 0 || recordIndex >= recordCount())
        return;
    Record& r = *records_[std::size_t(recordIndex)];
    r.thumbnail = image;
    r.state = state;
    const QModelIndex cell = index(rowOfRecord(recordIndex), kBrowserName);
    emit dataChanged(cell, cell, {Qt::DecorationRole, Qt::AccessibleDescriptionRole});
}

ThumbnailState ImageListModel::thumbnailState(int recordIndex) const {
    if (recordIndex < 0 || recordIndex >= recordCount())
        return ThumbnailState::Unavailable;
    return records_[std::size_t(recordIndex)]->state;
}

QImage ImageListModel::thumbnail(int recordIndex) const {
    if (recordIndex < 0 || recordIndex >= recordCount())
        return QImage();
    return records_[std::size_t(recordIndex)]->thumbnail;
}

void ImageListModel::setPlaceholderIcons(const QIcon& pending, const QIcon& broken) {
    pendingIcon_ = pending;
    brokenIcon_ = broken;
}

int ImageListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int ImageListModel::columnCount(const QModelIndex& parent) const {
    // The thumbnails show one cell per picture, its caption, and so a screen reader reads one;
    // the details' columns belong to the report.
    if (parent.isValid())
        return 0;
    return viewMode_ == ThumbnailView ? 1 : kBrowserColumnCount;
}

QVariant ImageListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || recordAt(index.row()) == nullptr)
        return QVariant();
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return columnText(index.row(), index.column());
    if (role == Qt::ToolTipRole && viewMode_ == ThumbnailView)
        return recordAt(index.row())->fileName;
    if (viewMode_ != ThumbnailView || index.column() != 0)
        return QVariant();
    const Record& r = *records_[std::size_t(recordOfRow(index.row()))];
    // What the broken-picture icon shows, for those who hear the list instead of seeing it.
    if (role == Qt::AccessibleDescriptionRole && r.state == ThumbnailState::Broken)
        return QString::fromLatin1(kBrokenPictureDescription);
    if (role == Qt::DecorationRole) {
        switch (r.state) {
        case ThumbnailState::Ready:
            return r.thumbnail;
        case ThumbnailState::Broken:
            return brokenIcon_;
        default:
            return pendingIcon_;
        }
    }
    return QVariant();
}

QVariant ImageListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kBrowserColumnCount)
        return QVariant();
    if (role == Qt::DisplayRole)
        return QString::fromLatin1(browserColumn(section).title);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    return QVariant();
}

} // namespace pix
