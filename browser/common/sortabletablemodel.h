// A table model whose rows can be sorted while views show it: the rows the views remember (the
// selection, the current row) follow their rows to their new places.
#pragma once

#include <QAbstractTableModel>
#include <algorithm>
#include <numeric>
#include <vector>

namespace pix {

class SortableTableModel : public QAbstractTableModel {
protected:
    using QAbstractTableModel::QAbstractTableModel;

    // Puts rows in the order `before` gives (true when a is to stand before b), keeping the
    // order of rows that neither stands before, and tells the views.
    template <typename Row, typename Before> void sortRows(std::vector<Row>& rows, Before before) {
        emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        // A permutation is sorted, so that the remembered rows learn where theirs went.
        std::vector<int> order(rows.size());
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            return before(rows[std::size_t(a)], rows[std::size_t(b)]);
        });
        std::vector<Row> sorted;
        sorted.reserve(rows.size());
        std::vector<int> newRow(rows.size());
        for (std::size_t i = 0; i < order.size(); ++i) {
            sorted.push_back(std::move(rows[std::size_t(order[i])]));
            newRow[std::size_t(order[i])] = int(i);
        }
        rows = std::move(sorted);
        moveRememberedRows(newRow);
        emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    }

private:
    void moveRememberedRows(const std::vector<int>& newRow);
};

} // namespace pix
