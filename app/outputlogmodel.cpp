#include "app/outputlogmodel.h"

#include "app/help.h"

namespace pix {

OutputLogModel::OutputLogModel(QObject* parent) : QAbstractListModel(parent) {}

void OutputLogModel::AddOutputLine(const QString& text, const std::optional<QString>& path) {
    if (text.isEmpty())
        return;
    const int row = log_.lineCount();
    beginInsertRows({}, row, row);
    log_.AddLine(text, path);
    endInsertRows();
}

int OutputLogModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : log_.lineCount();
}

QVariant OutputLogModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= log_.lineCount())
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return log_.line(index.row()).text;
    if (role == Qt::ToolTipRole && log_.line(index.row()).path)
        return *log_.line(index.row()).path;
    return {};
}

std::vector<CommandId> OutputLogModel::contextMenu(int selectedRow) {
    if (selectedRow < 0)
        return {CommandId::Clear};
    return {CommandId::OpenContainingFolder, CommandId::None, CommandId::CopyToClipboard,
            CommandId::None, CommandId::Clear};
}

void OutputLogModel::OpenLinePath(int row) {
    const std::optional<QString> path = log_.pathToOpen(row);
    if (!path || path->isEmpty() || !openUrl_)
        return;
    if (!openUrl_(QUrl::fromLocalFile(*path)) && report_)
        report_(FolderNotOpenedMessage(*path));
}

void OutputLogModel::copyToClipboard(int row) {
    const QString text = log_.clipboardText(row);
    if (!text.isEmpty() && setClipboard_)
        setClipboard_(text);
}

void OutputLogModel::clear() {
    beginResetModel();
    log_.ClearLines();
    endResetModel();
}

} // namespace pix
