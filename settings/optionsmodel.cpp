#include "settings/optionsmodel.h"

#include "browser/common/formatting.h"

namespace pix {

void OptionsModel::open(const QStringList& filters) {
    filters_ = filters;
    text_ = filters.join(u';');
    filtersChanged_ = false;
}

void OptionsModel::edit(const QString& text) {
    text_ = text;
    filtersChanged_ = true;
}

QStringList OptionsModel::accept() const {
    QStringList list = filters_;
    ParseFilterList(text_, &list);
    return list;
}

} // namespace pix
