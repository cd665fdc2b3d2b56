#include "settings/filtersettings.h"

#include "browser/formatting.h"
#include "settings/cereg.h"

namespace pix {

namespace {
constexpr const char* kFilterValue = "extfilter";
}

void LoadFilterSettings() {
    QString text = kDefaultFilterText;
    {
        CCEReg registry;
        if (std::optional<RegKey> key = registry.OpenKey({}, kSettingsKeyPath, true)) {
            if (!registry.ReadString(*key, kFilterValue, text))
                text = kDefaultFilterText;
            registry.CloseKey(*key);
        }
    }
    QStringList list = FilterList();
    ParseFilterList(text, &list);
    SetFilterList(list);
}

void SaveFilterSettings() {
    CCEReg registry;
    if (std::optional<RegKey> key = registry.OpenKey({}, kSettingsKeyPath, true)) {
        registry.WriteString(*key, kFilterValue, FilterList().join(u';'));
        registry.CloseKey(*key);
    }
}

} // namespace pix
