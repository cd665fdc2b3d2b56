// The job list model: items in the order they were added, rows in display order.
#include "jobs/joblist.h"

#include "browser/common/formatting.h"
#include "jobs/outputnaming.h"

#include <QDateTime>
#include <QFileInfo>
#include <QMimeDatabase>
#include <algorithm>
#include <array>
#include <compare>
#include <functional>

namespace pix {

namespace {

constexpr std::array<JobColumnInfo, kColumnCount> kColumns{{
    {"Name", 100},
    {"Type", 105},
    {"Dimension", 80},
    {"Size", 80},
    {"Output Folder", 120},
    {"Date Modified", 115},
    {"Remarks", 100},
}};

const QString kDuplicateQuestion =
    QStringLiteral("The file is already in the list.\nWould you like to add the file?");

bool sameText(const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseInsensitive) == 0;
}

std::weak_ordering compareText(const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseInsensitive) <=> 0;
}

// The order of two items by the value a column sorts on. "Output Folder" sorts on the source
// folder, so that the pictures of one folder stay together whatever their output settings.
std::weak_ordering compareItems(const JobItem& a, const JobItem& b, int column) {
    switch (column) {
    case kColumnType:
        return compareText(a.source.typeName, b.source.typeName);
    case kColumnDimension:
        // In 64 bits the sum of two 32-bit sizes cannot overflow.
        return std::int64_t{a.source.width} + a.source.height <=>
               std::int64_t{b.source.width} + b.source.height;
    case kColumnSize:
        return a.source.fileSize <=> b.source.fileSize;
    case kColumnOutputFolder:
        return compareText(a.source.folder, b.source.folder);
    case kColumnDateModified:
        return a.source.modified <=> b.source.modified;
    case kColumnRemarks:
        return compareText(a.remarks, b.remarks);
    default:
        return compareText(a.source.fileName, b.source.fileName);
    }
}

QString dateText(std::int64_t secondsSinceEpoch, const QString& pattern) {
    // Out-of-range times give an invalid QDateTime, which formats as empty text.
    return FormatTime(QDateTime::fromSecsSinceEpoch(secondsSinceEpoch, Qt::UTC), pattern);
}

// A new item for a picture added by hand: the source as found on disk, the output the same
// size in the same folder and format.
std::unique_ptr<JobItem> makeItem(const ImageInfo& info, const QString& fileName,
                                  const QFileInfo& file) {
    auto item = std::make_unique<JobItem>();
    ImageInfo& source = item->source;
    source.typeName = QMimeDatabase().mimeTypeForFile(file).comment();
    source.fileName = fileName;
    source.folder = info.folder;
    source.width = info.width;
    source.height = info.height;
    source.modified = file.lastModified().toSecsSinceEpoch();
    source.fileSize = static_cast<std::uint64_t>(std::max<qint64>(file.size(), 0));
    source.formatCode = kFormatRemainOriginal;

    JobOutput& output = item->output;
    output.folder = info.folder;
    output.width = info.width;
    output.height = info.height;
    output.formatCode = kFormatRemainOriginal;
    return item;
}

} // namespace

const JobColumnInfo& jobColumn(int column) {
    static constexpr JobColumnInfo kNone{"", 0};
    if (column < 0 || column >= kColumnCount)
        return kNone;
    return kColumns[std::size_t(column)];
}

JobList::JobList(UserPrompt* prompt, QObject* parent)
    : SortableTableModel(parent), prompt_(prompt) {}

JobList::~JobList() = default;

void JobList::setDatePattern(const QString& pattern) {
    datePattern_ = pattern;
    if (!rows_.empty())
        emit dataChanged(index(0, kColumnDateModified), index(rowCount() - 1, kColumnDateModified));
}

bool JobList::AddFile(const ImageInfo* info, const QString* fileName) {
    if (isLocked() || info == nullptr || fileName == nullptr)
        return false;

    for (const auto& item : items_) {
        if (sameText(item->source.fileName, *fileName) &&
            sameText(item->source.folder, info->folder)) {
            // Without anyone to ask, the file is not added twice.
            const Answer answer = prompt_ ? prompt_->askYesNo(kDuplicateQuestion,
                                                              MessageIcon::Question, questionOwner_)
                                          : Answer::No;
            if (answer == Answer::No)
                return false;
            break;
        }
    }

    const QFileInfo file(joinPath(info->folder, *fileName));
    if (!file.isFile())
        return false;

    AppendItem(makeItem(*info, *fileName, file), *fileName);
    return true;
}

int JobList::AppendItem(std::unique_ptr<JobItem> item, const QString& rowName) {
    if (isLocked() || !item)
        return -1;
    const int row = rowCount();
    beginInsertRows(QModelIndex(), row, row);
    rows_.push_back(Row{item.get(), rowName, nextId_++, QString()});
    items_.push_back(std::move(item));
    endInsertRows();
    return row;
}

int JobList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int JobList::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant JobList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role == Qt::DisplayRole)
        return columnText(index.row(), index.column());
    if (role == FailureRole)
        return failure(index.row());
    if (role == Qt::ToolTipRole) {
        // The whole remark, which a narrow column may cut, and a failed row's reason anywhere.
        if (index.column() == kColumnRemarks || !failure(index.row()).isEmpty())
            return remarksText(index.row());
    }
    return {};
}

QVariant JobList::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && section >= 0 && section < kColumnCount) {
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
            return QString::fromLatin1(jobColumn(section).title);
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    }
    return SortableTableModel::headerData(section, orientation, role);
}

JobItem* JobList::itemAt(int row) const {
    if (row < 0 || row >= rowCount())
        return nullptr;
    return rows_[static_cast<std::size_t>(row)].item;
}

JobList::ItemId JobList::idAt(int row) const {
    if (row < 0 || row >= rowCount())
        return 0;
    return rows_[static_cast<std::size_t>(row)].id;
}

int JobList::rowOf(ItemId id) const {
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        if (rows_[row].id == id)
            return int(row);
    }
    return -1;
}

QString JobList::rowName(int row) const {
    if (row < 0 || row >= rowCount())
        return QString();
    return rows_[static_cast<std::size_t>(row)].name;
}

void JobList::setRowName(int row, const QString& name) {
    if (row < 0 || row >= rowCount())
        return;
    rows_[static_cast<std::size_t>(row)].name = name;
    emit dataChanged(index(row, kColumnName), index(row, kColumnName));
}

void JobList::itemChanged(int row) {
    if (row >= 0 && row < rowCount())
        emit dataChanged(index(row, 0), index(row, kColumnCount - 1));
}

QString JobList::columnText(int row, int column) const {
    const JobItem* item = itemAt(row);
    if (item == nullptr)
        return QString();
    switch (column) {
    case kColumnName:
        return rowName(row);
    case kColumnType:
        return item->source.typeName;
    case kColumnDimension:
        return QStringLiteral("%1 x %2").arg(item->source.width).arg(item->source.height);
    case kColumnSize:
        return FormatFileSize(item->source.fileSize, 2);
    case kColumnOutputFolder:
        return OutputFolder(*item); // with the kept folder, where the file goes
    case kColumnDateModified:
        return dateText(item->source.modified, datePattern_);
    case kColumnRemarks:
        return remarksText(row);
    default:
        return QString();
    }
}

QString JobList::remarksText(int row) const {
    const JobItem* item = itemAt(row);
    if (item == nullptr)
        return QString();
    const QString& reason = rows_[std::size_t(row)].failure;
    if (reason.isEmpty())
        return item->remarks;
    QString text = QStringLiteral("Failed: %1").arg(reason);
    if (!item->remarks.isEmpty())
        text += QStringLiteral("; ") + item->remarks;
    return text;
}

void JobList::setFailure(ItemId id, const QString& reason) {
    const int row = rowOf(id);
    if (row < 0 || rows_[std::size_t(row)].failure == reason)
        return;
    rows_[std::size_t(row)].failure = reason;
    emit dataChanged(index(row, 0), index(row, kColumnCount - 1));
}

QString JobList::failure(int row) const {
    if (row < 0 || row >= rowCount())
        return QString();
    return rows_[std::size_t(row)].failure;
}

void JobList::RemoveRows(const std::vector<int>& rows) {
    if (isLocked())
        return;
    // From the highest index down, so that the indices still to come stay valid; neighbouring
    // rows go in one step. Indices out of range and repeated ones are dropped rather than
    // trusted.
    std::vector<int> order;
    for (int row : rows) {
        if (row >= 0 && row < rowCount())
            order.push_back(row);
    }
    std::sort(order.begin(), order.end(), std::greater<>());
    order.erase(std::unique(order.begin(), order.end()), order.end());

    for (std::size_t i = 0; i < order.size();) {
        const int last = order[i];
        int first = last;
        while (++i < order.size() && order[i] == first - 1)
            first = order[i];
        removeRowRange(first, last);
    }
}

void JobList::RemoveItems(const std::vector<ItemId>& ids) {
    std::vector<ItemId> wanted = ids;
    std::sort(wanted.begin(), wanted.end());
    std::vector<int> rows;
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        if (std::binary_search(wanted.begin(), wanted.end(), rows_[row].id))
            rows.push_back(int(row));
    }
    RemoveRows(rows);
}

void JobList::removeRowRange(int first, int last) {
    beginRemoveRows(QModelIndex(), first, last);
    const auto begin = rows_.begin() + first;
    const auto end = rows_.begin() + last + 1;
    // The range's items leave the array in one pass, however many rows go.
    std::vector<const JobItem*> leaving;
    for (auto row = begin; row != end; ++row)
        leaving.push_back(row->item);
    std::sort(leaving.begin(), leaving.end(), std::less<>());
    std::erase_if(items_, [&](const std::unique_ptr<JobItem>& owned) {
        return std::binary_search(leaving.begin(), leaving.end(), owned.get(), std::less<>());
    });
    rows_.erase(begin, end);
    endRemoveRows();
}

void JobList::RemoveAll() {
    if (isLocked())
        return;
    beginResetModel();
    rows_.clear();
    items_.clear();
    items_.shrink_to_fit();
    endResetModel();
}

void JobList::SortByColumn(int column) {
    const bool ascending = column == lastSortedColumn_ ? !ascending_ : true;
    sort(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void JobList::sort(int column, Qt::SortOrder order) {
    lastSortedColumn_ = column;
    ascending_ = order == Qt::AscendingOrder;
    const bool ascending = ascending_;
    sortRows(rows_, [&](const Row& a, const Row& b) {
        const std::weak_ordering by = compareItems(*a.item, *b.item, column);
        return ascending ? by < 0 : by > 0;
    });
}

QString JobList::viewPath(int row) const {
    const JobItem* item = itemAt(row);
    if (item == nullptr)
        return QString();
    return joinPath(item->source.folder, rowName(row));
}

} // namespace pix
