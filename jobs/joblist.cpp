// The job list model: items in the order they were added, rows in display order.
#include "jobs/joblist.h"

#include "browser/formatting.h"

#include <QDateTime>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QObject>
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

QString dateText(std::int64_t secondsSinceEpoch) {
    // Out-of-range times give an invalid QDateTime, which formats as empty text.
    return FormatTime(QDateTime::fromSecsSinceEpoch(secondsSinceEpoch, Qt::UTC), DatePattern());
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
    return kColumns[static_cast<std::size_t>(column)];
}

QString joinPath(const QString& folder, const QString& name) {
    // An empty folder would otherwise turn a bare name into a path under the root.
    if (folder.isEmpty())
        return name;
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

JobList::JobList(UserPrompt* prompt, QObject* owner) : prompt_(prompt), owner_(owner) {}

JobList::~JobList() = default;

bool JobList::AddFile(const ImageInfo* info, const QString* fileName) {
    if (info == nullptr || fileName == nullptr)
        return false;

    for (const auto& item : items_) {
        if (sameText(item->source.fileName, *fileName) &&
            sameText(item->source.folder, info->folder)) {
            // Without anyone to ask, the file is not added twice.
            const Answer answer =
                prompt_ ? prompt_->askYesNo(kDuplicateQuestion, MessageIcon::Question, owner_)
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
    if (!item)
        return -1;
    rows_.push_back(Row{item.get(), rowName, false});
    items_.push_back(std::move(item));
    return rowCount() - 1;
}

JobItem* JobList::itemAt(int row) const {
    if (row < 0 || row >= rowCount())
        return nullptr;
    return rows_[static_cast<std::size_t>(row)].item;
}

QString JobList::rowName(int row) const {
    if (row < 0 || row >= rowCount())
        return QString();
    return rows_[static_cast<std::size_t>(row)].name;
}

void JobList::setRowName(int row, const QString& name) {
    if (row >= 0 && row < rowCount())
        rows_[static_cast<std::size_t>(row)].name = name;
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
        return item->output.folder;
    case kColumnDateModified:
        return dateText(item->source.modified);
    case kColumnRemarks:
        return item->remarks;
    default:
        return QString();
    }
}

bool JobList::isSelected(int row) const {
    return row >= 0 && row < rowCount() && rows_[static_cast<std::size_t>(row)].selected;
}

void JobList::setSelected(int row, bool selected) {
    if (row >= 0 && row < rowCount())
        rows_[static_cast<std::size_t>(row)].selected = selected;
}

std::vector<int> JobList::selectedRows() const {
    std::vector<int> rows;
    for (int row = 0; row < rowCount(); ++row) {
        if (rows_[static_cast<std::size_t>(row)].selected)
            rows.push_back(row);
    }
    return rows;
}

int JobList::firstSelectedRow() const {
    for (int row = 0; row < rowCount(); ++row) {
        if (rows_[static_cast<std::size_t>(row)].selected)
            return row;
    }
    return -1;
}

void JobList::RemoveSelected() {
    RemoveRows(selectedRows());
}

void JobList::RemoveRows(const std::vector<int>& rows) {
    // From the highest index down, so that the indices still to come stay valid. Indices out of
    // range and repeated ones are dropped rather than trusted.
    std::vector<int> order;
    for (int row : rows) {
        if (row >= 0 && row < rowCount())
            order.push_back(row);
    }
    std::sort(order.begin(), order.end(), std::greater<>());
    order.erase(std::unique(order.begin(), order.end()), order.end());

    for (int row : order) {
        const auto at = rows_.begin() + row;
        destroyItem(at->item);
        rows_.erase(at);
    }
}

void JobList::RemoveAll() {
    rows_.clear();
    items_.clear();
    items_.shrink_to_fit();
}

void JobList::SelectAll() {
    for (Row& row : rows_)
        row.selected = true;
}

void JobList::SortByColumn(int column) {
    ascending_ = column == lastSortedColumn_ ? !ascending_ : true;
    lastSortedColumn_ = column;

    const bool ascending = ascending_;
    std::stable_sort(rows_.begin(), rows_.end(), [column, ascending](const Row& a, const Row& b) {
        const std::weak_ordering order = compareItems(*a.item, *b.item, column);
        return ascending ? order < 0 : order > 0;
    });
}

QString JobList::viewPath() const {
    const int row = firstSelectedRow();
    if (row < 0)
        return QString();
    return joinPath(itemAt(row)->source.folder, rowName(row));
}

void JobList::destroyItem(JobItem* item) {
    const auto found = std::find_if(items_.begin(), items_.end(),
                                    [item](const auto& owned) { return owned.get() == item; });
    if (found != items_.end())
        items_.erase(found);
}

} // namespace pix
