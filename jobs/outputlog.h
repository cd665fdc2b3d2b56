// The output log: one line per picture the batch run saved or failed to save. A line may carry
// a path (the folder a picture was saved to) that the person can open from the log.
#pragma once

#include <QString>
#include <optional>
#include <vector>

namespace pix {

// Where the conversion logic writes its result lines. The main window forwards them to its
// output log; a headless run also prints them. A caller without a sink writes no line.
class OutputLineSink {
public:
    virtual ~OutputLineSink() = default;
    // An empty text is ignored.
    virtual void AddOutputLine(const QString& text, const std::optional<QString>& path) = 0;
};

// The lines themselves, in the order they were added; no widget involved.
class OutputLog : public OutputLineSink {
public:
    struct Line {
        QString text;
        std::optional<QString> path; // the log's own copy
    };

    void AddOutputLine(const QString& text, const std::optional<QString>& path) override {
        AddLine(text, path);
    }

    // Appends a line; an empty text adds nothing and keeps no path.
    void AddLine(const QString& text, const std::optional<QString>& path = std::nullopt);
    void ClearLines();

    int lineCount() const { return int(lines_.size()); }
    const Line& line(int index) const { return lines_.at(std::size_t(index)); }

    // What "Copy to Clipboard" takes: the visible text, without the path or a line break.
    QString clipboardText(int index) const;
    // What "Open Containing Folder" and a double click open; none without a path.
    std::optional<QString> pathToOpen(int index) const;

private:
    std::vector<Line> lines_;
};

} // namespace pix
