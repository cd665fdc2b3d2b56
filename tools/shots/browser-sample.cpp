// A folder of real pictures for the browser's screenshots.
#include "tools/shots/browser-sample.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QThread>
#include <QWidget>

namespace pix::shots {

namespace {

struct Landscape {
    const char* name;
    int width, height;
    QColor skyTop, skyBottom, hills, sun;
    bool progressive = false; // as many cameras and web pages write them
};

// A sky, a sun and two rows of hills: enough shape for a thumbnail to be recognisable.
QImage drawLandscape(const Landscape& l) {
    QImage image(l.width, l.height, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, l.height);
    sky.setColorAt(0, l.skyTop);
    sky.setColorAt(1, l.skyBottom);
    p.fillRect(image.rect(), sky);
    p.setPen(Qt::NoPen);
    p.setBrush(l.sun);
    const int r = std::min(l.width, l.height) / 8;
    p.drawEllipse(QPoint(l.width * 2 / 3, l.height / 3), r, r);
    for (int row = 0; row < 2; ++row) {
        QPainterPath hills(QPointF(0, l.height));
        const double base = l.height * (0.6 + 0.15 * row);
        for (int x = 0; x <= l.width; x += std::max(1, l.width / 40))
            hills.lineTo(x, base - l.height * 0.08 * std::sin(x * (3.0 + row) / l.width + row));
        hills.lineTo(l.width, l.height);
        p.setBrush(row == 0 ? l.hills.lighter(130) : l.hills);
        p.drawPath(hills);
    }
    return image;
}

} // namespace

bool makeSampleFolder(const QString& folder) {
    const Landscape landscapes[] = {
        {"alpine-lake.jpg", 4000, 3000, QColor(70, 130, 200), QColor(190, 220, 240),
         QColor(40, 90, 60), QColor(255, 250, 220)},
        {"harbour-dusk.jpg", 3264, 2448, QColor(40, 40, 90), QColor(240, 140, 80),
         QColor(30, 30, 50), QColor(255, 200, 120)},
        {"lighthouse.jpg", 2448, 3264, QColor(120, 170, 220), QColor(230, 240, 250),
         QColor(90, 80, 60), QColor(255, 255, 255)},
        {"meadow.png", 1920, 1080, QColor(100, 160, 230), QColor(210, 230, 250),
         QColor(80, 150, 50), QColor(255, 240, 150)},
        {"desert-road.jpg", 6000, 4000, QColor(200, 120, 60), QColor(250, 220, 150),
         QColor(170, 100, 50), QColor(255, 250, 230), true},
        {"winter-forest.png", 1600, 1200, QColor(170, 190, 210), QColor(240, 245, 250),
         QColor(220, 230, 240), QColor(250, 250, 255)},
        {"vineyard.jpg", 5184, 3456, QColor(90, 140, 210), QColor(220, 200, 170),
         QColor(90, 110, 40), QColor(255, 230, 170), true},
    };
    if (!QDir().mkpath(folder))
        return false;
    QDateTime when(QDate(2026, 6, 14), QTime(9, 41, 5));
    auto touch = [&](const QString& path) {
        QFile file(path);
        when = when.addSecs(86400 * 9 + 3607);
        return file.open(QIODevice::ReadWrite) &&
               file.setFileTime(when, QFileDevice::FileModificationTime);
    };
    for (const Landscape& l : landscapes) {
        const QString path = folder + QLatin1Char('/') + QString::fromLatin1(l.name);
        QImageWriter writer(path);
        writer.setQuality(88);
        writer.setProgressiveScanWrite(l.progressive);
        if (!writer.write(drawLandscape(l)) || !touch(path))
            return false;
    }
    const QDir examples(QStringLiteral(PIXOVIA_EXAMPLES));
    for (const QString& name : examples.entryList(QDir::Files)) {
        const QString path = folder + QLatin1Char('/') + name;
        if (!QFile::copy(examples.filePath(name), path) || !touch(path))
            return false;
    }
    // A photo cut short in a copy: its row stays, with the broken-picture icon.
    QFile whole(folder + QStringLiteral("/alpine-lake.jpg"));
    QFile cut(folder + QStringLiteral("/damaged.jpg"));
    if (!whole.open(QIODevice::ReadOnly) || !cut.open(QIODevice::WriteOnly))
        return false;
    cut.write(whole.read(900));
    cut.close();
    return touch(cut.fileName());
}

bool saveWhenIdle(QWidget* window, const std::function<bool()>& idle, const QString& outputFolder,
                  const QString& name) {
    QElapsedTimer timer;
    timer.start();
    while (!idle() && timer.elapsed() < 30000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    // Let the last thumbnails and the layout be painted.
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
    return window->grab().save(outputFolder + QLatin1Char('/') + name + QStringLiteral(".png"));
}

} // namespace pix::shots
