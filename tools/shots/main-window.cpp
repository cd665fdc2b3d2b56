// Screenshot of the main window: a folder of pictures in the browser, job rows with their
// remarks, and result lines in the output log.
#include "app/aboutdlg.h"
#include "app/folderselect.h"
#include "app/mainframe.h"
#include "browser/common/formatting.h"
#include "jobs/applysettings.h"
#include "shell/tabdockwnd.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QThread>
#include <cstdio>

namespace {

// A small landscape: sky, sun and hills, in colours that differ per picture.
bool drawPicture(const QString& path, int width, int height, QColor sky, QColor land) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(image.rect(), sky);
    painter.setBrush(QColor(255, 214, 80));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPointF(width * 0.75, height * 0.28), height * 0.12, height * 0.12);
    painter.setBrush(land);
    QPolygonF hills;
    hills << QPointF(0, height) << QPointF(0, height * 0.7) << QPointF(width * 0.3, height * 0.45)
          << QPointF(width * 0.55, height * 0.7) << QPointF(width * 0.8, height * 0.55)
          << QPointF(width, height * 0.65) << QPointF(width, height);
    painter.drawPolygon(hills);
    painter.end();
    return image.save(path);
}

void settle(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: shot_main-window OUTPUT_FOLDER\n");
        return 2;
    }
    QCoreApplication::setOrganizationName("Norvance");
    QCoreApplication::setApplicationName("Pixovia");
    QGuiApplication::setWindowIcon(pix::applicationIcon());
    pix::SetFilterList({"*.bmp", "*.gif", "*.jpg", "*.png", "*.ico", "*.wmf"});

    // The screenshot script gives the program a fresh home folder.
    const QDir home = QDir::home();
    const QString folder = home.filePath("Pictures/Holiday");
    QDir().mkpath(folder);
    struct Sample {
        const char* name;
        int width, height;
        QColor sky, land;
    };
    const Sample samples[] = {
        {"beach.jpg", 640, 480, QColor(110, 180, 235), QColor(230, 200, 140)},
        {"forest.png", 480, 360, QColor(150, 200, 230), QColor(40, 120, 60)},
        {"harbour.jpg", 800, 600, QColor(90, 140, 200), QColor(70, 90, 110)},
        {"meadow.bmp", 320, 240, QColor(170, 210, 240), QColor(110, 170, 60)},
        {"sunset.jpg", 640, 400, QColor(240, 140, 90), QColor(90, 60, 80)},
        {"village.png", 400, 300, QColor(140, 190, 240), QColor(160, 110, 80)},
    };
    for (const Sample& s : samples) {
        if (!drawPicture(QDir(folder).filePath(s.name), s.width, s.height, s.sky, s.land))
            return 1;
    }

    pix::CMainFrame frame;
    // As a new user meets it: the first start's size on this screen.
    frame.ShowFrame();
    pix::selectFolderInTree(*frame.GetFoldersTab(), folder);

    // Three rows with their settings, as "Add to list" and "Settings" make them.
    pix::JobList& list = frame.jobList();
    for (const Sample& s : {samples[0], samples[2], samples[4]}) {
        pix::ImageInfo info;
        info.folder = folder;
        info.width = s.width;
        info.height = s.height;
        const QString name = s.name;
        list.AddFile(&info, &name);
    }
    pix::SettingsResult result;
    result.outputFolder = home.filePath("Pictures/Converted");
    result.formatCode = pix::kFormatPng;
    result.prefix = "holiday";
    result.numberFrom = 1;
    result.width = 800;
    result.height = 600;
    result.resizeRequested = 1;
    for (int row = 0; row < list.rowCount(); ++row) {
        pix::ApplySettings(*list.itemAt(row), result, result.numberFrom + row);
        list.itemChanged(row);
    }
    pix::SettingsResult turn = result;
    turn.rotate = 90;
    turn.mirror = 1;
    pix::ApplySettings(*list.itemAt(2), turn, 3);
    list.itemChanged(2);

    const QString out = home.filePath("Pictures/Converted");
    frame.AddOutputLine(QString("The file has been saved to %1/meadow.gif successfully.").arg(out),
                        out);
    frame.AddOutputLine(QString("The file has been saved to %1/village.gif successfully.").arg(out),
                        out);
    frame.AddOutputLine(QString("Unable to save the file - %1/broken.gif.").arg(out));
    frame.jobListView()->selectRow(1);
    frame.jobListView()->setFocus();
    settle(1500);

    const QString target = QDir(QString::fromLocal8Bit(argv[1])).filePath("main-window.png");
    if (!frame.grab().save(target)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(target));
        return 1;
    }
    return 0;
}
