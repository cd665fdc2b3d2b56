// ParseFilterList: the extension filter text split into wildcard patterns.
#include "browser/common/formatting.h"

namespace pix {

namespace {

const QLatin1String kMatchAll{"*.*"};

// The parts of the text: cut at ";", and the last part also at ",". Commas in the earlier parts
// stay inside them. Empty parts are dropped; nothing is trimmed.
QStringList splitFilterText(const QString& text) {
    QStringList parts = text.split(QLatin1Char(';'));
    const QString last = parts.takeLast(); // split() always yields at least one part
    parts += last.split(QLatin1Char(','));
    parts.removeAll(QString());
    return parts;
}

bool holdsMatchAll(const QStringList& parts) {
    for (const QString& part : parts) {
        if (part.compare(kMatchAll, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

} // namespace

bool ParseFilterList(const QString& text, QStringList* list) {
    if (list == nullptr || text.isEmpty())
        return false;
    *list = splitFilterText(text);
    if (holdsMatchAll(*list))
        *list = QStringList{kMatchAll};
    return !list->isEmpty();
}

} // namespace pix
