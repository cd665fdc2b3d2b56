// Runs the batch over every JPEG of a folder, one row at a time or on every core, and prints
// wall time, CPU time and peak memory of this process as one line:
//   mode rows wall_s cpu_s peak_mib converted
// Usage: batch_bench one-by-one|parallel PICTURES OUTPUT [WIDTH HEIGHT]
#include "jobs/batchrun.h"
#include "jobs/joblist.h"
#include "platform/filesearch.h"
#include "platform/imaging/decoder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <cstdio>
#include <sys/resource.h>

namespace {

double seconds(const timeval& t) {
    return double(t.tv_sec) + double(t.tv_usec) / 1e6;
}

int fillList(pix::JobList& list, const QString& folder, const QString& output, int width,
             int height) {
    for (const QString& name : pix::listFolder(folder, "*.jpg", pix::Entry::Files)) {
        QSize size;
        if (pix::imaging::measureFile(folder + "/" + name, size) != pix::imaging::Status::Ok)
            continue;
        auto item = std::make_unique<pix::JobItem>();
        item->source.fileName = name;
        item->source.folder = folder;
        item->output.folder = output;
        item->output.formatCode = pix::kFormatJpg;
        item->output.overwrite = 1;
        item->output.width = width > 0 ? width : size.width();
        item->output.height = height > 0 ? height : size.height();
        list.AppendItem(std::move(item), name);
    }
    return list.rowCount();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 4) {
        std::fputs("usage: batch_bench one-by-one|parallel PICTURES OUTPUT [WIDTH HEIGHT]\n",
                   stderr);
        return 2;
    }
    const bool parallel = QString(argv[1]) == "parallel";
    const int width = argc > 5 ? std::atoi(argv[4]) : 0;
    const int height = argc > 5 ? std::atoi(argv[5]) : 0;
    QDir().mkpath(argv[3]);

    pix::JobList list;
    const int rows = fillList(list, argv[2], argv[3], width, height);
    pix::OutputLog log;
    QElapsedTimer timer;
    timer.start();
    pix::StartBatch(list, {nullptr, nullptr, &log},
                    pix::BatchOptions::withThreads(parallel ? 0 : 1));
    const double wall = double(timer.nsecsElapsed()) / 1e9;

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%s %d %.3f %.3f %.1f %d\n", parallel ? "parallel" : "one-by-one", rows, wall,
                seconds(usage.ru_utime) + seconds(usage.ru_stime), double(usage.ru_maxrss) / 1024.0,
                rows - list.rowCount());
    return 0;
}
