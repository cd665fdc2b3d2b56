// The job list's commands without a widget: what "Remove", "Select All", "Remove All", "View",
// "Settings", "Start" and "Stop" do to the list and its selection, and when each is enabled.
// While a run holds the list, the commands that change it are disabled and Stop is enabled.
// The job list view shows the list and hands its clicks and keys to this class.
#pragma once

#include "app/commandrouter.h"
#include "jobs/applysettings.h"
#include "jobs/joblist.h"

#include <QUrl>
#include <functional>
#include <optional>
#include <vector>

class QItemSelectionModel;

namespace pix {

class JobListCommands {
public:
    struct Hooks {
        // Opens a file with the desktop's viewer.
        std::function<void(const QUrl& url)> openUrl;
        // Shows the Settings dialog for an item (none on an empty list); the results after OK.
        std::function<std::optional<SettingsResult>(const JobItem* item)> editSettings;
        std::function<void()> start;
        std::function<void()> stop;
    };

    JobListCommands(JobList& list, QItemSelectionModel& selection, Hooks hooks);

    // The job list pane's handlers, for the router.
    const CommandTarget& target() const { return target_; }

    // The selected rows in index order.
    std::vector<int> selectedRows() const;
    bool hasSelection() const;

    void removeSelected();
    void selectAll();
    void removeAll();
    // Opens the first selected picture.
    void view();
    // "Settings": every selected row (every row when none is selected), consecutive numbers.
    void editSettings();
    // A double click: the first selected row alone.
    void editItemSettings();

private:
    void addHandlers();
    std::vector<int> rowsOf(const std::vector<JobList::ItemId>& ids) const;
    void applyToRows(const std::vector<int>& rows, const SettingsResult& result);

    JobList& list_;
    QItemSelectionModel& selection_;
    Hooks hooks_;
    CommandTarget target_;
};

} // namespace pix
