#include "settings/filtersettings.h"

#include "browser/common/formatting.h"
#include "settings/settingstable.h"

namespace pix {

void LoadFilterSettings() {
    QStringList list = FilterList();
    ParseFilterList(SettingsStore().text(Setting::ExtensionFilter), &list);
    SetFilterList(list);
}

void SaveFilterSettings() {
    // Joined with ";" whatever separators were typed; the file is written only when that
    // changes the value or there is no file yet.
    SettingsStore().setText(Setting::ExtensionFilter, FilterList().join(u';'));
}

} // namespace pix
