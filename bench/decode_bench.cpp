// decode_bench PICTURE... [--runs N]: decodes each picture N times (5 unless told) on the calling
// thread's cores and prints the fastest and the median wall-clock time and the CPU time of one
// decode. bench/hdr.sh compares a PQ picture with the same samples marked as SDR this way.
#include "platform/imaging/decoder.h"

#include <QString>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    int runs = 5;
    std::vector<const char*> files;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else
            files.push_back(argv[i]);
    }
    if (files.empty()) {
        std::fprintf(stderr, "usage: decode_bench PICTURE... [--runs N]\n");
        return 2;
    }
    using namespace pix::imaging;
    std::printf("%-40s %8s %9s %9s %8s\n", "picture", "MP", "best_s", "median_s", "cpu_s");
    for (const char* file : files) {
        std::vector<double> wall;
        double cpu = 0;
        Picture picture;
        for (int run = 0; run < runs; ++run) {
            const double cpuStart = cpuSeconds();
            const auto start = std::chrono::steady_clock::now();
            if (decodeFile(QString::fromLocal8Bit(file), picture) != Status::Ok) {
                std::fprintf(stderr, "cannot read %s\n", file);
                return 1;
            }
            wall.push_back(
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
            cpu += cpuSeconds() - cpuStart;
        }
        std::sort(wall.begin(), wall.end());
        std::printf("%-40s %8.1f %9.3f %9.3f %8.3f\n", file,
                    picture.width() * double(picture.height()) / 1e6, wall.front(),
                    wall[wall.size() / 2], cpu / runs);
    }
    return 0;
}
