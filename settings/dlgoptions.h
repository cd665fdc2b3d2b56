// The modal dialog "Options": the extension filter of the image browser. Made with the current
// filter list; after OK, filterList() is the new list and filtersChanged() tells whether the
// text was edited (the browser lists the folder again only then).
#pragma once

#include "settings/optionsmodel.h"

#include <QDialog>

class QLineEdit;

namespace pix {

class CDlgOptions : public QDialog {
public:
    explicit CDlgOptions(const QStringList& filters, QWidget* parent = nullptr);

    bool filtersChanged() const { return model_.filtersChanged(); }
    // The list after OK; the list the dialog was made with until then.
    const QStringList& filterList() const { return result_; }
    const OptionsModel& model() const { return model_; }

    void accept() override;

private:
    OptionsModel model_;
    QStringList result_;
    QLineEdit* edit_;
};

} // namespace pix
