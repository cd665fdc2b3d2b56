// Shared helpers of the window tests: a main window over a sandboxed settings store, with
// scripted questions and recorded URLs, and job rows over real picture files.
#pragma once

#include "app/mainframe.h"
#include "app/scriptedreplace.h"
#include "jobs/jobfixture.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace pix::test {

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A new main window (the previous one is closed first).
    CMainFrame& makeFrame();
    // Rows for real PNG files of the given sizes, named after the list.
    void addRows(const QStringList& names, int width = 16, int height = 8);
    void select(const std::vector<int>& rows);
    QStringList rowNames() const;
    // Starts a run and waits for its end.
    void runToEnd();
    // The texts of the output log's lines.
    QStringList logLines() const;

    QTemporaryDir settingsHome;
    QTemporaryDir dir;
    ScriptedPrompt prompt;
    ScriptedReplace replace;
    std::vector<QUrl> opened;
    std::unique_ptr<CMainFrame> frame;
};

} // namespace pix::test
