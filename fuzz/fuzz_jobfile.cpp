// Feeds arbitrary bytes to the job-file loader as the contents of a job file. The loader runs in
// a sandbox folder of a few pictures, with a subfolder and a link loop, so that the relative
// paths of the seeds reach real folder walks; the number of folders one input may search is
// bounded so that a path such as "/" cannot turn one input into a walk of the whole disk.
#include "jobfile/jobfileloader.h"
#include "jobs/joblist.h"
#include "jobs/userprompt.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

namespace {

class SilentPrompt : public pix::UserPrompt {
public:
    pix::Answer askYesNo(const QString&, pix::MessageIcon, QObject*) override {
        return pix::Answer::No;
    }
    void showMessage(const QString&, const QString&, pix::MessageIcon) override {}
};

void writePicture(const QDir& dir, const QString& name, int width, int height, const char* format) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    image.save(dir.filePath(name), format);
}

// pics/a.png, pics/b.jpg, pics/broken.png, pics/sub/c.png and pics/sub/loop pointing back up.
void makeSandbox(const QString& root) {
    QDir dir(root);
    dir.mkpath(QStringLiteral("pics/sub"));
    writePicture(QDir(dir.filePath(QStringLiteral("pics"))), QStringLiteral("a.png"), 8, 6, "PNG");
    writePicture(QDir(dir.filePath(QStringLiteral("pics"))), QStringLiteral("b.jpg"), 5, 9, "JPEG");
    writePicture(QDir(dir.filePath(QStringLiteral("pics/sub"))), QStringLiteral("c.png"), 3, 4,
                 "PNG");
    QFile broken(dir.filePath(QStringLiteral("pics/broken.png")));
    if (broken.open(QIODevice::WriteOnly))
        broken.write("not a picture");
    QFile::link(dir.filePath(QStringLiteral("pics")),
                dir.filePath(QStringLiteral("pics/sub/loop")));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv); // the image readers of PNG and JPEG
    static QTemporaryDir sandbox;
    if (!sandbox.isValid())
        std::abort();
    makeSandbox(sandbox.path());
    QDir::setCurrent(sandbox.path());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SilentPrompt prompt;
    pix::JobList list(&prompt);
    pix::JobFileOptions options;
    options.maxFolders = 8;
    pix::LoadJobFileFromMemory(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)), list,
        &prompt, options);
    return 0;
}
