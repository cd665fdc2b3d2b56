#include "app/framefixture.h"

#include <QItemSelectionModel>
#include <QSettings>

namespace pix::test {

void FrameTest::SetUp() {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsHome.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsHome.path());
    makeFrame();
}

void FrameTest::TearDown() {
    frame.reset();
}

CMainFrame& FrameTest::makeFrame() {
    frame.reset();
    frame = std::make_unique<CMainFrame>(&prompt, &replace);
    frame->setUrlOpener([this](const QUrl& url) {
        opened.push_back(url);
        return true;
    });
    frame->run().setOptions(BatchOptions::withThreads(1));
    return *frame;
}

void FrameTest::addRows(const QStringList& names, int width, int height) {
    for (const QString& name : names) {
        ASSERT_TRUE(writeQuadrantsPng(dir.filePath(name), width, height));
        frame->jobList().AppendItem(
            std::make_unique<JobItem>(itemFor(dir.path(), name, width, height)), name);
    }
}

void FrameTest::select(const std::vector<int>& rows) {
    QItemSelectionModel* selection = frame->jobListView()->selectionModel();
    selection->clearSelection();
    for (const int row : rows)
        selection->select(selection->model()->index(row, 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

QStringList FrameTest::rowNames() const {
    QStringList names;
    for (int row = 0; row < frame->jobList().rowCount(); ++row)
        names << frame->jobList().rowName(row);
    return names;
}

void FrameTest::runToEnd() {
    ASSERT_TRUE(frame->run().start());
    while (frame->run().isRunning())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

QStringList FrameTest::logLines() const {
    QStringList texts;
    const OutputLog& log = frame->outputBar()->log().log();
    for (int i = 0; i < log.lineCount(); ++i)
        texts << log.line(i).text;
    return texts;
}

} // namespace pix::test
