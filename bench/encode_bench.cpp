// encode_bench PICTURE [QUALITY]: encodes one picture in each written format on one thread and
// prints, per format, the CPU time, the growth of the process's peak memory and the bytes. The
// encoders run one after another, the largest-memory ones last, so each peak is its own.
#include "platform/imaging/decoder.h"
#include "platform/imaging/encoders.h"

#include <cstdio>
#include <ctime>
#include <sys/resource.h>

namespace {

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

long peakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: encode_bench PICTURE [QUALITY]\n");
        return 2;
    }
    const int quality = argc > 2 ? std::atoi(argv[2]) : 80;
    using namespace pix::imaging;
    Picture picture;
    if (decodeFile(QString::fromLocal8Bit(argv[1]), picture) != Status::Ok) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    std::printf("%d x %d (%.1f megapixels), quality %d, one thread\n", picture.width(),
                picture.height(), picture.width() * double(picture.height()) / 1e6, quality);
    std::printf("%-8s %8s %10s %12s\n", "format", "cpu_s", "peak_MiB", "bytes");
    for (const char* mime : {"image/jpeg", "image/webp", "image/avif", "image/jxl"}) {
        const long before = peakKilobytes();
        const double start = cpuSeconds();
        QByteArray bytes;
        const Status status = encodeToMemory(
            picture, findEncoderByMimeType(QString::fromLatin1(mime)), quality, bytes);
        const double cpu = cpuSeconds() - start;
        std::printf("%-8s %8.2f %10.0f %12lld%s\n", mime + 6, cpu,
                    double(peakKilobytes() - before) / 1024, static_cast<long long>(bytes.size()),
                    status == Status::Ok ? "" : " (failed)");
    }
    return 0;
}
