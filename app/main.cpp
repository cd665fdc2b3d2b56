// Pixovia's entry point.
#include <QCoreApplication>
#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kUsage =
    "Usage: pixovia [--console] [JOBFILE]\n"
    "\n"
    "Converts pictures: started with an XML job file, it converts every picture the job\n"
    "names and ends without showing a window.\n"
    "\n"
    "  --console   run the job without a display: log lines on standard output,\n"
    "              messages on standard error, questions on the terminal\n"
    "  --help      show this text and exit\n"
    "  --version   show the version and exit\n";

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::puts("Pixovia Version 1.0");
            return 0;
        }
    }
    std::fputs(kUsage, stderr);
    return 2;
}
