#include "browser/common/sortabletablemodel.h"

namespace pix {

void SortableTableModel::moveRememberedRows(const std::vector<int>& newRow) {
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& old : before)
        after.append(index(newRow[std::size_t(old.row())], old.column()));
    changePersistentIndexList(before, after);
}

} // namespace pix
