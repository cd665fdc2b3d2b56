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
    // Always written, changed or not, joined with ";" whatever separators were typed.
    SettingsStore().setText(Setting::ExtensionFilter, FilterList().join(u';'));
}

} // namespace pix
