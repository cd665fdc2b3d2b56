// The command line: which argument is the job file, and the switches.
#include "app/commandline.h"

#include <gtest/gtest.h>

namespace pix {
namespace {

TEST(CommandLineTest, TheFirstPlainArgumentIsTheJobFile) {
    const CommandLine a = parseCommandLine({"pixovia", "/abs/job.xml", "second.xml"});
    EXPECT_EQ(a.jobFile, "/abs/job.xml") << "a leading slash is a path, not a switch";
    const CommandLine b = parseCommandLine({"pixovia", "--console", "job.xml"});
    EXPECT_TRUE(b.console);
    EXPECT_EQ(b.jobFile, "job.xml");
    const CommandLine c = parseCommandLine({"pixovia", "--frobnicate"});
    EXPECT_EQ(c.unknownSwitches, QStringList{"--frobnicate"});
    EXPECT_TRUE(c.jobFile.isEmpty());
    EXPECT_TRUE(parseCommandLine({"pixovia", "--version"}).version);
    EXPECT_TRUE(parseCommandLine({"pixovia", "--help"}).help);
}

} // namespace
} // namespace pix
