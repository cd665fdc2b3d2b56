// The process-wide values of the formatting utilities.
#include "browser/common/formatting.h"

#include "browser/common/sharedvalue.h"

namespace pix {

namespace {

// Function-local statics: constructed on first use, so other static initialisers may call in.
SharedValue<QStringList>& filterListStore() {
    static SharedValue<QStringList> store;
    return store;
}

SharedValue<QString>& datePatternStore() {
    static SharedValue<QString> store;
    return store;
}

} // namespace

QStringList FilterList() {
    return filterListStore().get();
}

void SetFilterList(const QStringList& patterns) {
    filterListStore().set(patterns);
}

QString DatePattern() {
    return datePatternStore().get();
}

void SetDatePattern(const QString& pattern) {
    datePatternStore().set(pattern);
}

} // namespace pix
