#include "jobs/shardplan.h"

#include "jobs/filekey.h"
#include "jobs/joblist.h"
#include "jobs/outputnaming.h"

#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <numeric>

namespace pix {

namespace {

// Groups of rows by union and find.
class Groups {
public:
    explicit Groups(std::size_t count) : parent_(count) {
        std::iota(parent_.begin(), parent_.end(), std::size_t{0});
    }
    std::size_t find(std::size_t row) {
        while (parent_[row] != row)
            row = parent_[row] = parent_[parent_[row]];
        return row;
    }
    void join(std::size_t a, std::size_t b) {
        a = find(a);
        b = find(b);
        if (a != b)
            parent_[std::max(a, b)] = std::min(a, b); // the earliest row names the group
    }

private:
    std::vector<std::size_t> parent_;
};

struct Group {
    std::size_t first = 0; // the group's earliest row
    qint64 work = 0;
    std::vector<int> rows;
};

std::vector<Group> groupRows(const JobList& list) {
    const std::size_t count = std::size_t(list.rowCount());
    Groups groups(count);
    std::vector<qint64> work(count, 0);
    QHash<QString, std::size_t> writer; // output key -> a row writing it
    std::vector<QString> sourceKeys(count);
    for (std::size_t row = 0; row < count; ++row) {
        const JobItem* item = list.itemAt(int(row));
        const QString source = joinPath(item->source.folder, list.rowName(int(row)));
        sourceKeys[row] = FileKey(source);
        // Every row counts a little, so that rows of missing or empty files spread too.
        work[row] = std::max<qint64>(QFileInfo(source).size(), 0) + 1;
        const QString output = FileKey(BuildOutputPath(*item, list.rowName(int(row))));
        if (const auto found = writer.constFind(output); found != writer.cend())
            groups.join(row, *found);
        else
            writer.insert(output, row);
    }
    // A row reading a file that some row writes goes with that row, earlier or later: both
    // orders decide what the row reads or whether the writer may replace it.
    for (std::size_t row = 0; row < count; ++row) {
        if (const auto found = writer.constFind(sourceKeys[row]); found != writer.cend())
            groups.join(row, *found);
    }
    std::vector<Group> byRoot(count);
    for (std::size_t row = 0; row < count; ++row) {
        Group& group = byRoot[groups.find(row)];
        group.first = groups.find(row);
        group.work += work[row];
        group.rows.push_back(int(row));
    }
    std::vector<Group> result;
    for (Group& group : byRoot) {
        if (!group.rows.empty())
            result.push_back(std::move(group));
    }
    return result;
}

} // namespace

std::vector<int> ShardRows(const JobList& list, int index, int count) {
    if (count <= 0 || index < 0 || index >= count)
        return {};
    std::vector<Group> groups = groupRows(list);
    std::sort(groups.begin(), groups.end(), [](const Group& a, const Group& b) {
        return a.work != b.work ? a.work > b.work : a.first < b.first;
    });
    std::vector<qint64> load(std::size_t(count), 0);
    std::vector<int> rows;
    for (const Group& group : groups) {
        const auto least = std::min_element(load.begin(), load.end()); // the first of equals
        *least += group.work;
        if (least - load.begin() == index)
            rows.insert(rows.end(), group.rows.begin(), group.rows.end());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

} // namespace pix
