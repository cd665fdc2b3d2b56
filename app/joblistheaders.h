// The job list as its view shows it: the list's rows and columns unchanged, with the column
// titles added.
#pragma once

#include <QIdentityProxyModel>

namespace pix {

class JobListHeaders : public QIdentityProxyModel {
    Q_OBJECT
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
};

} // namespace pix
