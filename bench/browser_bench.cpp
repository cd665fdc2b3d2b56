// Drives the real image browser offscreen over one folder and prints, for each fill:
//   <label> files first_screen_s last_s worst_ui_gap_ms peak_above_idle_MiB
// first_screen_s: from FillList until every row of the first screenful shows its thumbnail;
// last_s: until every thumbnail is made; worst_ui_gap_ms: the worst lateness of a repeating
// 5 ms timer on the user-interface thread; peak: the process's peak resident memory above
// what it held before the first fill.
// Usage: browser_bench FOLDER LABEL [REFILL_LABEL]   (the cache is $XDG_CACHE_HOME/thumbnails)
#include "browser/common/formatting.h"
#include "browser/view/listimageview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <cstdio>

namespace {

double residentMiB(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qsizetype(qstrlen(field))).trimmed().split(' ').front().toDouble() /
                   1024.0;
    }
    return 0;
}

struct Figures {
    int files = 0;
    double firstScreen = -1;
    double last = -1;
    qint64 worstGap = 0;
};

Figures fill(pix::CListImageView& view, const QString& folder) {
    Figures f;
    QElapsedTimer clock, sinceTick;
    bool done = false;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        f.worstGap = std::max(f.worstGap, sinceTick.restart() - 5);
        const double now = clock.nsecsElapsed() / 1e9;
        pix::ImageListModel* model = view.model();
        if (f.firstScreen < 0 && model->rowCount() > 0) {
            const std::vector<int> rows = view.visibleRows();
            bool all = !rows.empty();
            for (int row : rows)
                all = all && model->thumbnailState(model->recordOfRow(row)) !=
                                 pix::ThumbnailState::Pending;
            if (all)
                f.firstScreen = now;
        }
        if (!view.isBusy() && model->rowCount() > 0) {
            f.last = now;
            done = true;
        }
    });
    clock.start();
    sinceTick.start();
    ticker.start(5);
    view.FillList(folder);
    while (!done && clock.elapsed() < 600000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::processEvents();
    f.files = view.model()->rowCount();
    if (f.firstScreen < 0)
        f.firstScreen = f.last;
    return f;
}

void print(const char* label, const Figures& f, double idle) {
    std::printf("%-8s %6d %14.3f %8.3f %16lld %20.1f\n", label, f.files, f.firstScreen, f.last,
                static_cast<long long>(f.worstGap), residentMiB("VmHWM:") - idle);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: browser_bench FOLDER LABEL [REFILL_LABEL]\n");
        return 2;
    }
    // The filter a first start uses.
    QStringList filter;
    pix::ParseFilterList(QString(pix::kDefaultFilterText), &filter);
    pix::SetFilterList(filter);
    pix::CListImageView view;
    view.resize(1000, 700);
    view.show();
    // Fonts are loaded on the first text drawn; a real window has drawn its menus by now.
    QImage scratch(200, 50, QImage::Format_RGB32);
    QPainter(&scratch).drawText(10, 30, QStringLiteral("(4000x3000)"));
    QCoreApplication::processEvents();
    const double idle = residentMiB("VmRSS:");
    const QString folder = QString::fromLocal8Bit(argv[1]);
    print(argv[2], fill(view, folder), idle);
    if (argc > 3)
        print(argv[3], fill(view, folder), idle);
    return 0;
}
