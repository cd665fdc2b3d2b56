#include "app/runtally.h"

#include <QStringList>

namespace pix {

void RunTally::add(const RowResult& result) {
    switch (result.outcome) {
    case RowResult::Outcome::Converted:
        ++converted_;
        break;
    case RowResult::Outcome::Failed:
        ++failed_;
        break;
    case RowResult::Outcome::Declined:
        ++declined_;
        break;
    }
}

QString RunTally::summary(int total) const {
    QStringList parts{QStringLiteral("%1 converted").arg(converted_)};
    if (failed_ > 0)
        parts << QStringLiteral("%1 failed").arg(failed_);
    if (declined_ > 0)
        parts << QStringLiteral("%1 not replaced").arg(declined_);
    const QString counts = parts.join(QStringLiteral(", "));
    if (handled() < total)
        return QStringLiteral("stopped after %1 of %2: %3").arg(handled()).arg(total).arg(counts);
    return counts;
}

} // namespace pix
