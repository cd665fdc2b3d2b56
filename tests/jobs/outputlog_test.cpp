// The output log's lines and their attached paths.
#include "jobs/outputlog.h"

#include <gtest/gtest.h>

namespace pix {
namespace {

TEST(OutputLog, KeepsLinesInOrderWithTheirPaths) {
    OutputLog log;
    log.AddOutputLine("", QString("/tmp/ignored"));
    EXPECT_EQ(log.lineCount(), 0) << "an empty text adds no line and keeps no path";
    log.AddLine("The file has been saved to /o/a.png successfully.", QString("/o"));
    log.AddLine("Unable to save the file - /o/b.png.");
    ASSERT_EQ(log.lineCount(), 2);
    EXPECT_EQ(log.pathToOpen(0), QString("/o"));
    EXPECT_EQ(log.pathToOpen(1), std::nullopt) << "a failure line opens nothing";
    EXPECT_EQ(log.clipboardText(0), "The file has been saved to /o/a.png successfully.");
    EXPECT_EQ(log.clipboardText(5), "");
    EXPECT_EQ(log.pathToOpen(-1), std::nullopt);
}

TEST(OutputLog, ClearForgetsLinesAndPaths) {
    OutputLog log;
    log.AddLine("one", QString("/a"));
    log.AddLine("two", QString("/b"));
    log.ClearLines();
    EXPECT_EQ(log.lineCount(), 0);
    log.AddLine("three", QString("/c"));
    ASSERT_EQ(log.lineCount(), 1);
    EXPECT_EQ(log.pathToOpen(0), QString("/c"));
}

} // namespace
} // namespace pix
