#include "sandbox.h"

#include <QDir>
#include <QFile>
#include <sys/stat.h>
#include <unistd.h>

namespace pix {

namespace {
void touch(const QString& path) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write("x");
}
} // namespace

Sandbox::Sandbox() {
    QDir root(dir_.path());
    for (const char* folder : {"Albums/2023/Summer", "Albums/2024", "Albums/.thumbs", "Empty",
                               "Hidden only/.git", "Locked/Inner", "beta", "Alpha"})
        root.mkpath(folder);
    touch(root.filePath("Albums/cover.jpg"));
    touch(root.filePath("notes.txt"));
    QFile::link(root.filePath("Albums"), root.filePath("Shortcut"));
    symlink("Loop", QFile::encodeName(root.filePath("Loop")).constData());
    chmod(QFile::encodeName(root.filePath("Locked")).constData(), 0);
    // Readable by others, so that a test may look at it as another user.
    chmod(QFile::encodeName(dir_.path()).constData(), 0755);
}

Sandbox::~Sandbox() {
    chmod(QFile::encodeName(path("Locked")).constData(), 0755);
}

bool Sandbox::permissionsEnforced() {
    return geteuid() != 0;
}

} // namespace pix
