// The built program running job files without a display, as scripts use it: a sandbox folder,
// pictures and job files written into it, and the run's status and output.
#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace test {

struct Outcome {
    int status = -1;
    QString out, err;
};

class JobRun : public ::testing::Test {
protected:
    QTemporaryDir dir;

    QString path(const QString& name) const { return dir.filePath(name); }

    void writeText(const QString& name, const QByteArray& text) {
        QDir().mkpath(QFileInfo(path(name)).path());
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    // Red top half, blue bottom half.
    void writePicture(const QString& name, int width, int height, const char* format) {
        QDir().mkpath(QFileInfo(path(name)).path());
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::blue);
        for (int y = 0; y < height / 2; ++y) {
            for (int x = 0; x < width; ++x)
                image.setPixel(x, y, qRgb(255, 0, 0));
        }
        ASSERT_TRUE(image.save(path(name), format));
    }

    // Runs the program (or another one, e.g. a shell that limits it) in the sandbox folder.
    Outcome run(const QStringList& arguments, const QByteArray& input = {},
                const QString& program = PIXOVIA_BINARY) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", path("home"));
        env.remove("XDG_CONFIG_HOME");
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.remove("QT_QPA_PLATFORM");
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(dir.path());
        process.start(program, arguments);
        process.write(input);
        process.closeWriteChannel();
        EXPECT_TRUE(process.waitForFinished(60000));
        return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
                QString::fromLocal8Bit(process.readAllStandardError())};
    }
};

} // namespace test
