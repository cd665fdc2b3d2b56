// The output log as a list model for the "Output" bar, and the bar's three commands without a
// widget: "Open Containing Folder", "Copy to Clipboard" and "Clear".
#pragma once

#include "app/commands.h"
#include "jobs/outputlog.h"

#include <QAbstractListModel>
#include <QUrl>
#include <functional>
#include <vector>

namespace pix {

class OutputLogModel : public QAbstractListModel, public OutputLineSink {
    Q_OBJECT
public:
    // False when nothing on the desktop could open the URL.
    using OpenUrl = std::function<bool(const QUrl& url)>;
    using SetClipboard = std::function<void(const QString& text)>;
    using Report = std::function<void(const QString& message)>;

    explicit OutputLogModel(QObject* parent = nullptr);

    void setUrlOpener(OpenUrl open) { openUrl_ = std::move(open); }
    void setClipboard(SetClipboard set) { setClipboard_ = std::move(set); }
    // Where the person is told that a line's folder could not be opened.
    void setReport(Report report) { report_ = std::move(report); }

    // An empty text adds no line and keeps no path.
    void AddOutputLine(const QString& text, const std::optional<QString>& path) override;
    void AddLine(const QString& text, const std::optional<QString>& path = std::nullopt) {
        AddOutputLine(text, path);
    }
    const OutputLog& log() const { return log_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // The context menu's entries for the selected row (-1: none); None is a separator.
    static std::vector<CommandId> contextMenu(int selectedRow);

    // A double click and "Open Containing Folder": opens the line's path; nothing without one.
    // When the desktop cannot open it, the report says so.
    void OpenLinePath(int row);
    // Puts the line's visible text on the clipboard; nothing for an empty text.
    void copyToClipboard(int row);
    // Removes every line and the paths they carried.
    void clear();

private:
    OutputLog log_;
    OpenUrl openUrl_;
    SetClipboard setClipboard_;
    Report report_;
};

} // namespace pix
