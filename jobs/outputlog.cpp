#include "jobs/outputlog.h"

namespace pix {

void OutputLog::AddLine(const QString& text, const std::optional<QString>& path) {
    if (text.isEmpty())
        return;
    lines_.push_back({text, path});
}

void OutputLog::ClearLines() {
    lines_.clear();
    lines_.shrink_to_fit();
}

QString OutputLog::clipboardText(int index) const {
    if (index < 0 || index >= lineCount())
        return {};
    return lines_[std::size_t(index)].text;
}

std::optional<QString> OutputLog::pathToOpen(int index) const {
    if (index < 0 || index >= lineCount())
        return std::nullopt;
    return lines_[std::size_t(index)].path;
}

} // namespace pix
