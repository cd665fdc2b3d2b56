#include "jobs/shardplan.h"

#include "jobs/filekey.h"
#include "jobs/joblist.h"
#include "jobs/outputnaming.h"

#include <QCryptographicHash>
#include <QDir>
#include <QHash>
#include <QtEndian>
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
            parent_[std::max(a, b)] = std::min(a, b);
    }

private:
    std::vector<std::size_t> parent_;
};

} // namespace

int ShardOfKey(const QString& key, int count) {
    // A fixed hash (never Qt's per-process seeded one), so that every machine and every
    // version agrees; its first eight bytes are spread evenly enough for any count.
    const QByteArray digest = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Md5);
    const quint64 value = qFromBigEndian<quint64>(digest.constData());
    return int(value % quint64(count));
}

std::vector<int> ShardRows(const JobList& list, int index, int count) {
    if (count <= 0 || index < 0 || index >= count)
        return {};
    const std::size_t rows = std::size_t(list.rowCount());
    Groups groups(rows);
    // Rows are joined by file keys, which resolve the folders on disk, so that two spellings of
    // one file stay together; the shard is chosen by the paths as the job spells them, which do
    // not depend on what exists yet (an output folder made by an earlier shard).
    QHash<QString, std::size_t> writer; // output key -> a row writing it
    std::vector<QString> sourceKeys(rows);
    std::vector<QString> outputs(rows);
    for (std::size_t row = 0; row < rows; ++row) {
        const JobItem* item = list.itemAt(int(row));
        sourceKeys[row] = FileKey(joinPath(item->source.folder, list.rowName(int(row))));
        outputs[row] = QDir::cleanPath(BuildOutputPath(*item, list.rowName(int(row))));
        const QString output = FileKey(outputs[row]);
        if (const auto found = writer.constFind(output); found != writer.cend())
            groups.join(row, *found);
        else
            writer.insert(output, row);
    }
    // A row reading a file that some row writes goes with that row, earlier or later: both
    // orders decide what the row reads or whether the writer may replace it.
    for (std::size_t row = 0; row < rows; ++row) {
        if (const auto found = writer.constFind(sourceKeys[row]); found != writer.cend())
            groups.join(row, *found);
    }
    std::vector<QString> keys(rows);
    for (std::size_t row = 0; row < rows; ++row) {
        QString& key = keys[groups.find(row)];
        if (key.isEmpty() || outputs[row] < key)
            key = outputs[row];
    }
    std::vector<int> mine;
    for (std::size_t row = 0; row < rows; ++row) {
        if (ShardOfKey(keys[groups.find(row)], count) == index)
            mine.push_back(int(row));
    }
    return mine;
}

} // namespace pix
