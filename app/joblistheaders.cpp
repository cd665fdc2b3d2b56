#include "app/joblistheaders.h"

#include "jobs/joblist.h"

namespace pix {

namespace {

const char* const kTitles[kColumnCount] = {"Name",          "Type",          "Dimension", "Size",
                                           "Output Folder", "Date Modified", "Remarks"};

} // namespace

QVariant JobListHeaders::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && section >= 0 && section < kColumnCount) {
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
            return QString::fromLatin1(kTitles[section]);
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    }
    return QIdentityProxyModel::headerData(section, orientation, role);
}

} // namespace pix
