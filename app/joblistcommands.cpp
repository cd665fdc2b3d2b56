#include "app/joblistcommands.h"

#include <QItemSelectionModel>
#include <algorithm>

namespace pix {

JobListCommands::JobListCommands(JobList& list, QItemSelectionModel& selection, Hooks hooks)
    : list_(list), selection_(selection), hooks_(std::move(hooks)) {
    addHandlers();
}

void JobListCommands::addHandlers() {
    const auto hasRows = [this] { return list_.rowCount() > 0; };
    const auto idleWithRows = [this] { return !list_.isLocked() && list_.rowCount() > 0; };
    const auto idleWithSelection = [this] { return !list_.isLocked() && hasSelection(); };

    target_.add(CommandId::View, {[this] { return hasSelection(); }, [this] { view(); }});
    target_.add(CommandId::RemoveSelected, {idleWithSelection, [this] { removeSelected(); }});
    target_.add(CommandId::Remove, {idleWithSelection, [this] { removeSelected(); }});
    target_.add(CommandId::SelectAll, {hasRows, [this] { selectAll(); }});
    target_.add(CommandId::RemoveAll, {idleWithRows, [this] { removeAll(); }});
    target_.add(CommandId::Settings, {idleWithRows, [this] { editSettings(); }});
    target_.add(CommandId::Start, {[this] { return !list_.isLocked() && list_.canStart(); },
                                   [this] {
                                       if (hooks_.start)
                                           hooks_.start();
                                   }});
    target_.add(CommandId::Stop, {[this] { return list_.isLocked(); },
                                  [this] {
                                      if (hooks_.stop)
                                          hooks_.stop();
                                  }});
}

std::vector<int> JobListCommands::selectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : selection_.selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

bool JobListCommands::hasSelection() const {
    return selection_.hasSelection();
}

void JobListCommands::removeSelected() {
    list_.RemoveRows(selectedRows());
}

void JobListCommands::selectAll() {
    if (list_.rowCount() == 0)
        return;
    // Indexes of the view's model, which shows the list row for row.
    const QAbstractItemModel* shown = selection_.model();
    const QItemSelection all(shown->index(0, 0),
                             shown->index(shown->rowCount() - 1, shown->columnCount() - 1));
    // The focus (current index) stays where it was.
    selection_.select(all, QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void JobListCommands::removeAll() {
    list_.RemoveAll();
}

void JobListCommands::view() {
    const std::vector<int> rows = selectedRows();
    if (rows.empty() || !hooks_.openUrl)
        return;
    const QString path = list_.viewPath(rows.front());
    if (!path.isEmpty())
        hooks_.openUrl(QUrl::fromLocalFile(path));
}

void JobListCommands::editSettings() {
    if (list_.isLocked() || !hooks_.editSettings)
        return;
    if (!hasSelection())
        selectAll();
    const std::vector<int> rows = selectedRows();
    std::vector<JobList::ItemId> ids;
    for (const int row : rows)
        ids.push_back(list_.idAt(row));
    const std::optional<SettingsResult> result =
        hooks_.editSettings(rows.empty() ? nullptr : list_.itemAt(rows.front()));
    if (result)
        applyToRows(rowsOf(ids), *result);
}

void JobListCommands::editItemSettings() {
    if (list_.isLocked() || !hooks_.editSettings)
        return;
    const std::vector<int> rows = selectedRows();
    if (rows.empty())
        return;
    const JobList::ItemId id = list_.idAt(rows.front());
    const std::optional<SettingsResult> result = hooks_.editSettings(list_.itemAt(rows.front()));
    if (result)
        applyToRows(rowsOf({id}), *result);
}

// The rows are found again by identity after the dialog: its event loop may have let the list
// change meanwhile (a row removed from elsewhere).
std::vector<int> JobListCommands::rowsOf(const std::vector<JobList::ItemId>& ids) const {
    std::vector<int> rows;
    for (const JobList::ItemId id : ids) {
        const int row = list_.rowOf(id);
        if (row >= 0)
            rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void JobListCommands::applyToRows(const std::vector<int>& rows, const SettingsResult& result) {
    std::int32_t number = result.numberFrom;
    for (const int row : rows) {
        JobItem* item = list_.itemAt(row);
        if (!item)
            continue;
        ApplySettings(*item, result, number);
        ++number;
        list_.itemChanged(row);
    }
}

} // namespace pix
