// The decisions of the "Options" dialog, without widgets: the filter text shown at opening,
// whether it was edited, and the filter list OK makes of it.
#pragma once

#include <QString>
#include <QStringList>

namespace pix {

class OptionsModel {
public:
    // The patterns joined with ";", the way they are stored.
    void open(const QStringList& filters);

    const QString& text() const { return text_; }
    // Any edit after the opening counts, even one that types the text back to what it was.
    void edit(const QString& text);
    bool filtersChanged() const { return filtersChanged_; }

    // The list after OK: the text split again whether or not it was edited. A text without a
    // pattern keeps the list as it was.
    QStringList accept() const;

private:
    QStringList filters_;
    QString text_;
    bool filtersChanged_ = false;
};

} // namespace pix
